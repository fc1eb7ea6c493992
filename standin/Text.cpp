#include "Text.h"

namespace yorsabat::standin {

namespace {

// Decodes one code point at s[i], advancing i; returns U+FFFD for malformed bytes.
char32_t nextCodePoint(std::string_view s, std::size_t &i)
{
    auto c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80)
        return c;
    int extra;
    char32_t cp;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    static const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    return cp;
}

void putUnit(std::string &out, char16_t u)
{
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
}

void putUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

std::size_t appendUtf16(std::string &out, std::string_view utf8)
{
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) { // fast path for ASCII
            out.push_back(static_cast<char>(c));
            out.push_back('\0');
            ++i;
            ++units;
            continue;
        }
        char32_t cp = nextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            putUnit(out, static_cast<char16_t>(0xD800 + (cp >> 10)));
            putUnit(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
            units += 2;
        } else {
            putUnit(out, static_cast<char16_t>(cp));
            ++units;
        }
    }
    return units;
}

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++i;
            ++units;
            continue;
        }
        units += nextCodePoint(utf8, i) >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::string fromUtf16(const unsigned char *data, std::size_t units)
{
    std::string out;
    out.reserve(units);
    for (std::size_t k = 0; k < units; ++k) {
        char32_t u = data[2 * k] | (data[2 * k + 1] << 8);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            char32_t low = data[2 * k + 2] | (data[2 * k + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++k;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        putUtf8(out, u);
    }
    return out;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (auto &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return std::string(s.substr(b, e - b));
}

} // namespace yorsabat::standin
