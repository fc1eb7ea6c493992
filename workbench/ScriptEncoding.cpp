#include "workbench/ScriptEncoding.h"

#include "shell/AnsiCodec.h"

namespace yorsabat::workbench {

namespace {

const QByteArray kBom("\xEF\xBB\xBF", 3);

QString normaliseBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

DecodedScript decodeScript(const QByteArray &bytes)
{
    DecodedScript result;
    QString text;
    const QByteArrayView afterBom = QByteArrayView(bytes).sliced(bytes.startsWith(kBom) ? 3 : 0);
    if (afterBom.size() < bytes.size() && ansi::isValidUtf8(afterBom)) {
        text = QString::fromUtf8(afterBom);
        result.encoding = ScriptEncoding::Utf8WithBom;
    } else if (ansi::isValidUtf8(bytes)) {
        text = QString::fromUtf8(bytes);
        result.encoding = ScriptEncoding::Utf8;
    } else {
        text = ansi::decodeWindows1254(bytes);
        result.encoding = ScriptEncoding::Windows1254;
    }
    result.text = normaliseBreaks(std::move(text));
    return result;
}

QByteArray encodeScript(const QString &text, ScriptEncoding encoding, ScriptEncoding *written)
{
    QString lines = normaliseBreaks(text);
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    if (encoding == ScriptEncoding::Windows1254) {
        bool fits = false;
        QByteArray bytes = ansi::encodeWindows1254(lines, &fits);
        if (fits) {
            if (written)
                *written = ScriptEncoding::Windows1254;
            return bytes;
        }
        encoding = ScriptEncoding::Utf8;
    }
    if (written)
        *written = encoding;
    QByteArray bytes = lines.toUtf8();
    if (encoding == ScriptEncoding::Utf8WithBom)
        bytes.prepend(kBom);
    return bytes;
}

} // namespace yorsabat::workbench
