#include "shell/AnsiCodec.h"

#include <QStringDecoder>

namespace yorsabat::ansi {
namespace {

// 0x80..0x9F; the unassigned positions map to themselves.
constexpr char16_t kHigh80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178,
};

char16_t decodeByte(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b < 0xA0)
        return kHigh80[b - 0x80];
    switch (b) { // the six Turkish letters that replace Latin-1's Icelandic ones
    case 0xD0: return 0x011E; // Ğ
    case 0xDD: return 0x0130; // İ
    case 0xDE: return 0x015E; // Ş
    case 0xF0: return 0x011F; // ğ
    case 0xFD: return 0x0131; // ı
    case 0xFE: return 0x015F; // ş
    default: return b;
    }
}

int encodeChar(char16_t c)
{
    if (c < 0x80)
        return c;
    for (int i = 0; i < 32; ++i)
        if (kHigh80[i] == c)
            return 0x80 + i;
    switch (c) {
    case 0x011E: return 0xD0;
    case 0x0130: return 0xDD;
    case 0x015E: return 0xDE;
    case 0x011F: return 0xF0;
    case 0x0131: return 0xFD;
    case 0x015F: return 0xFE;
    case 0xD0: case 0xDD: case 0xDE: case 0xF0: case 0xFD: case 0xFE:
        return -1; // their bytes hold the Turkish letters
    default:
        return (c >= 0xA0 && c <= 0xFF) ? int(c) : -1;
    }
}

} // namespace

QString decodeWindows1254(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (char b : bytes)
        *out++ = QChar(decodeByte(static_cast<unsigned char>(b)));
    return text;
}

QByteArray encodeWindows1254(QStringView text, bool *ok)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool all = true;
    for (QChar c : text) {
        const int b = encodeChar(c.unicode());
        if (b < 0) {
            all = false;
            bytes.append('?');
        } else {
            bytes.append(char(b));
        }
    }
    if (ok)
        *ok = all;
    return bytes;
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace yorsabat::ansi
