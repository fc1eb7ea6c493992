#include "shell/AnsiCodec.h"


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
    // Strict: no overlong forms, no surrogates, nothing above U+10FFFF.
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        if (p[1] < lo || p[1] > hi)
            return false;
        for (int i = 2; i <= more; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += more + 1;
    }
    return true;
}

} // namespace yorsabat::ansi
