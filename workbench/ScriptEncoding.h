#pragma once

#include <QByteArray>
#include <QString>

namespace yorsabat::workbench {

// How a script file's bytes map to text. Files written by the Windows tools of
// our users are Windows-1254; everything else is UTF-8.
enum class ScriptEncoding {
    Utf8,
    Utf8WithBom,
    Windows1254,
};

struct DecodedScript
{
    QString text; // lines separated by "\n"
    ScriptEncoding encoding = ScriptEncoding::Utf8;
};

// Valid UTF-8 (with or without a byte-order mark) is read as UTF-8, anything
// else as Windows-1254, which maps every byte, so nothing is lost. CR LF, CR
// and LF all become "\n".
DecodedScript decodeScript(const QByteArray &bytes);

// The text with CR LF between lines and nothing added after the last one, in
// the given encoding. Windows-1254 falls back to UTF-8 when a character does
// not fit; `written` tells which encoding was used.
QByteArray encodeScript(const QString &text, ScriptEncoding encoding, ScriptEncoding *written = nullptr);

} // namespace yorsabat::workbench
