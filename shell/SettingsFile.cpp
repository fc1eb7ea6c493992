#include "shell/SettingsFile.h"

#include "shell/AnsiCodec.h"
#include "shell/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace yorsabat {
namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

struct Line
{
    qsizetype begin = 0;   // first byte
    qsizetype end = 0;     // end of the text, before "\r\n" or "\n"
    qsizetype next = 0;    // first byte of the next line
};

// Splits the file into lines, keeping offsets so a write can splice bytes.
QList<Line> splitLines(const QByteArray &bytes)
{
    QList<Line> lines;
    qsizetype pos = bytes.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (pos < bytes.size()) {
        Line line;
        line.begin = pos;
        qsizetype nl = bytes.indexOf('\n', pos);
        line.next = nl < 0 ? bytes.size() : nl + 1;
        line.end = nl < 0 ? bytes.size() : nl;
        if (line.end > line.begin && bytes.at(line.end - 1) == '\r')
            --line.end;
        lines.append(line);
        pos = line.next;
    }
    return lines;
}

QString decodeLine(QByteArrayView bytes)
{
    if (ansi::isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return ansi::decodeWindows1254(bytes);
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// The section name of a "[name]" line, or a null view for any other line.
QStringView sectionName(QStringView trimmed)
{
    if (!trimmed.startsWith(u'['))
        return {};
    qsizetype close = trimmed.indexOf(u']');
    QStringView inner = trimmed.mid(1, close < 0 ? -1 : close - 1);
    return trimBlanks(inner).isNull() ? QStringView(u"") : trimBlanks(inner);
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquote(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        return value.mid(1, value.size() - 2).toString();
    return value.toString();
}

// The text stored for a value, so that reading gives back exactly that value:
// a value that reading would trim or unquote is put between double quotes.
QString storedText(const QString &value)
{
    QString text = value;
    // A line break would end the line; box texts never hold one.
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    const bool trimmedOnRead = !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
    const bool unquotedOnRead = text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'')
        && text.back() == text.front();
    if (trimmedOnRead || unquotedOnRead)
        return u'"' + text + u'"';
    return text;
}

} // namespace

QString SettingsFile::pathInWorkingDirectory()
{
    const QString dir = QDir::currentPath();
    // With the working directory gone there is no full path; the bare name
    // then stays relative to it, so nothing lands in the file system's root.
    if (dir.isEmpty())
        return QStringLiteral("Yorsabat.INI");
    return QDir::toNativeSeparators(dir) + QDir::separator() + QStringLiteral("Yorsabat.INI");
}

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

QString SettingsFile::read(QStringView section, QStringView key, const QString &fallback) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return fallback;
    const QByteArray bytes = file.readAll();
    bool inSection = false;
    for (const Line &line : splitLines(bytes)) {
        const QString text = decodeLine(QByteArrayView(bytes).sliced(line.begin, line.end - line.begin));
        const QStringView trimmed = trimBlanks(text);
        if (const QStringView name = sectionName(trimmed); !name.isNull()) {
            if (inSection)
                break; // the first section of that name counts
            inSection = sameName(name, section);
            continue;
        }
        if (!inSection || trimmed.startsWith(u';'))
            continue;
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq < 0 || !sameName(trimBlanks(trimmed.left(eq)), key))
            continue;
        return unquote(trimBlanks(trimmed.mid(eq + 1)));
    }
    return fallback;
}

void SettingsFile::failWrite() const
{
    throw Error(QStringLiteral("Unable to write to ") + m_path);
}

void SettingsFile::write(QStringView section, QStringView key, const QString &value) const
{
    const QFileInfo info(m_path);
    if (info.isRelative() && QDir::currentPath().isEmpty())
        failWrite();
    if (info.exists() && !info.isFile())
        failWrite();

    QByteArray bytes;
    const bool existed = info.exists();
    if (existed) {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            failWrite();
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            failWrite();
    }

    const QList<Line> lines = splitLines(bytes);
    // New lines follow the file's line ends; a new file gets Windows ones.
    const qsizetype firstNl = bytes.indexOf('\n');
    const QByteArray eol = (firstNl > 0 && bytes.at(firstNl - 1) != '\r') || firstNl == 0
        ? QByteArray("\n")
        : QByteArray("\r\n");

    const bool fileIsUtf8 = ansi::isValidUtf8(bytes);
    auto encode = [&](const QString &text) {
        if (!fileIsUtf8) {
            bool ok = false;
            QByteArray ansiBytes = ansi::encodeWindows1254(text, &ok);
            if (ok)
                return ansiBytes;
        }
        return text.toUtf8();
    };
    const QByteArray valueBytes = encode(storedText(value));

    // Find the section, the key in it, and where a new key would go.
    bool inSection = false, sectionFound = false;
    qsizetype insertAt = -1;            // after the section's last non-blank line
    bool insertNeedsEol = false;
    qsizetype valueBegin = -1, valueEnd = -1;
    for (const Line &line : lines) {
        const QByteArrayView raw = QByteArrayView(bytes).sliced(line.begin, line.end - line.begin);
        const QString text = decodeLine(raw);
        const QStringView trimmed = trimBlanks(text);
        if (const QStringView name = sectionName(trimmed); !name.isNull()) {
            if (inSection)
                break;
            inSection = sameName(name, section);
            if (inSection) {
                sectionFound = true;
                insertAt = line.next;
                insertNeedsEol = line.next == line.end;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!trimmed.isEmpty()) {
            insertAt = line.next;
            insertNeedsEol = line.next == line.end;
        }
        if (trimmed.startsWith(u';'))
            continue;
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq < 0 || !sameName(trimBlanks(trimmed.left(eq)), key))
            continue;
        // The '=' in the raw bytes: the key is ASCII or decodes the same way
        // byte for byte up to it, so search the bytes directly.
        valueBegin = line.begin + raw.indexOf('=') + 1;
        valueEnd = line.end;
        break;
    }

    QByteArray out = bytes;
    if (valueBegin >= 0) {
        out.replace(valueBegin, valueEnd - valueBegin, valueBytes);
    } else if (sectionFound) {
        QByteArray entry = encode(key.toString()) + '=' + valueBytes + eol;
        if (insertNeedsEol)
            entry.prepend(eol);
        out.insert(insertAt, entry);
    } else {
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += eol;
        out += '[' + encode(section.toString()) + ']' + eol;
        out += encode(key.toString()) + '=' + valueBytes + eol;
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        failWrite();
    if (!existed)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(out) != out.size() || !file.commit())
        failWrite();
}

} // namespace yorsabat
