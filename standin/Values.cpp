#include "Values.h"

#include "TdsOutput.h"
#include "Text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace yorsabat::standin {

namespace {

constexpr int kSqliteInteger = 1, kSqliteFloat = 2, kSqliteText = 3, kSqliteBlob = 4, kSqliteNull = 5;

// Turkish_CI_AS: LCID 0x041F, ignore case, kana and width; Windows collation (sort id 0).
constexpr char kCollation[5] = {0x1F, 0x04, static_cast<char>(0xD0), 0x00, 0x00};

int intDigitsOf(const ColumnType &t)
{
    switch (t.kind) {
    case ColumnType::Bit: return 1;
    case ColumnType::Int: return t.size == 1 ? 3 : t.size == 2 ? 5 : t.size == 4 ? 10 : 19;
    case ColumnType::Decimal: return t.precision - t.scale;
    default: return 0;
    }
}

int decimalBytes(int precision)
{
    return precision <= 9 ? 4 : precision <= 19 ? 8 : precision <= 28 ? 12 : 16;
}

bool isNumber(const Cell &c) { return c.type == kSqliteInteger || c.type == kSqliteFloat; }

// Value of c as an exact decimal, if it is a number or numeric text.
bool cellDecimal(const Cell &c, DecimalNumber &out)
{
    if (c.type == kSqliteInteger) {
        out = DecimalNumber{};
        out.negative = c.i < 0;
        std::uint64_t m = c.i < 0 ? 0 - static_cast<std::uint64_t>(c.i) : static_cast<std::uint64_t>(c.i);
        out.digits = m == 0 ? std::string() : std::to_string(m);
        return true;
    }
    if (c.type == kSqliteFloat) {
        if (!std::isfinite(c.d))
            return false;
        out = decimalFromDouble(c.d);
        return true;
    }
    if (c.type == kSqliteText)
        return parseDecimal(c.s, out);
    return false;
}

// Integer digits and digits after the point that n needs.
void decimalShape(const DecimalNumber &n, int &intDigits, int &scale)
{
    int len = static_cast<int>(n.digits.size());
    scale = n.exponent < 0 ? -n.exponent : 0;
    intDigits = len + n.exponent;
    if (intDigits < 0)
        intDigits = 0;
}

// The scaled integer value*10^scale as decimal digits; false if nonzero digits would be cut.
bool scaleDigits(const DecimalNumber &n, int scale, bool allowRounding, std::string &out)
{
    int shift = n.exponent + scale;
    if (n.digits.empty()) {
        out.clear();
        return true;
    }
    if (shift >= 0) {
        out = n.digits;
        out.append(static_cast<std::size_t>(shift), '0');
        return true;
    }
    std::size_t cut = static_cast<std::size_t>(-shift);
    if (!allowRounding)
        return false;
    bool roundUp;
    if (cut > n.digits.size()) {
        out.clear();
        return true;
    }
    out = n.digits.substr(0, n.digits.size() - cut);
    roundUp = n.digits[n.digits.size() - cut] >= '5';
    if (roundUp) {
        int i = static_cast<int>(out.size()) - 1;
        while (i >= 0 && out[static_cast<std::size_t>(i)] == '9') {
            out[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0)
            out.insert(out.begin(), '1');
        else
            ++out[static_cast<std::size_t>(i)];
    }
    std::size_t nz = out.find_first_not_of('0');
    out = nz == std::string::npos ? std::string() : out.substr(nz);
    return true;
}

// Little-endian magnitude bytes of a decimal digit string.
void digitsToBytes(const std::string &digits, int nbytes, char *out)
{
    std::memset(out, 0, static_cast<std::size_t>(nbytes));
    if (digits.size() <= 19) {
        std::uint64_t v = digits.empty() ? 0 : std::strtoull(digits.c_str(), nullptr, 10);
        for (int i = 0; i < 8 && i < nbytes; ++i)
            out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return;
    }
    std::vector<int> num;
    for (char ch : digits)
        num.push_back(ch - '0');
    int pos = 0;
    while (!num.empty() && pos < nbytes) {
        int rem = 0;
        std::vector<int> q;
        for (int d : num) {
            int cur = rem * 10 + d;
            int qd = cur / 256;
            rem = cur % 256;
            if (!q.empty() || qd != 0)
                q.push_back(qd);
        }
        out[pos++] = static_cast<char>(rem);
        num.swap(q);
    }
}

bool parseInt(std::string_view s, std::size_t &i, int maxDigits, int &value)
{
    value = 0;
    int n = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < maxDigits) {
        value = value * 10 + (s[i] - '0');
        ++i;
        ++n;
    }
    return n > 0;
}

std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468; // days since 1970-01-01
}

bool parseDateParts(std::string_view text, int &y, int &mo, int &d, int &h, int &mi, int &sec, int &ms,
                    bool &hasTime)
{
    std::string t = trim(text);
    std::string_view s(t);
    std::size_t i = 0;
    h = mi = sec = ms = 0;
    hasTime = false;
    if (!parseInt(s, i, 4, y) || i >= s.size() || s[i] != '-')
        return false;
    ++i;
    if (!parseInt(s, i, 2, mo) || i >= s.size() || s[i] != '-')
        return false;
    ++i;
    if (!parseInt(s, i, 2, d))
        return false;
    if (mo < 1 || mo > 12 || d < 1)
        return false;
    static const int mdays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > mdays[mo - 1] || (mo == 2 && d == 29 && !leap))
        return false;
    if (i == s.size())
        return true;
    if (s[i] != ' ' && s[i] != 'T')
        return false;
    ++i;
    hasTime = true;
    if (!parseInt(s, i, 2, h) || i >= s.size() || s[i] != ':')
        return false;
    ++i;
    if (!parseInt(s, i, 2, mi))
        return false;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!parseInt(s, i, 2, sec))
            return false;
        if (i < s.size() && s[i] == '.') {
            ++i;
            int frac = 0, n = 0;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                if (n < 3) {
                    frac = frac * 10 + (s[i] - '0');
                    ++n;
                }
                ++i;
            }
            while (n < 3) {
                frac *= 10;
                ++n;
            }
            ms = frac;
        }
    }
    if (i < s.size() && s[i] == 'Z')
        ++i;
    if (i != s.size() || h > 23 || mi > 59 || sec > 59)
        return false;
    return true;
}

ColumnType candidateFor(const Cell &c)
{
    ColumnType t;
    switch (c.type) {
    case kSqliteInteger:
        t.kind = ColumnType::Int;
        t.size = (c.i >= std::numeric_limits<std::int32_t>::min() && c.i <= std::numeric_limits<std::int32_t>::max()) ? 4 : 8;
        break;
    case kSqliteFloat: {
        DecimalNumber n;
        int intDigits, scale;
        if (std::isfinite(c.d) && (n = decimalFromDouble(c.d), decimalShape(n, intDigits, scale), intDigits + scale <= 38)) {
            t.kind = ColumnType::Decimal;
            t.scale = scale;
            t.precision = std::max(intDigits + scale, 1);
        } else {
            t.kind = ColumnType::Float;
            t.size = 8;
        }
        break;
    }
    case kSqliteText: {
        DecimalNumber n;
        t.kind = ColumnType::NVarChar;
        t.length = static_cast<int>(std::max<std::size_t>(utf16Length(c.s), 1));
        break;
    }
    case kSqliteBlob:
        t.kind = ColumnType::VarBinary;
        t.length = static_cast<int>(std::max<std::size_t>(c.s.size(), 1));
        break;
    default: break;
    }
    return t;
}

int textLengthOf(const Cell &c)
{
    if (c.type == kSqliteText || c.type == kSqliteBlob)
        return static_cast<int>(utf16Length(c.s));
    return static_cast<int>(sqliteNumberText(c).size());
}

ColumnType asText(int length)
{
    ColumnType t;
    t.kind = ColumnType::NVarChar;
    t.length = length > 4000 ? -1 : std::max(length, 1);
    return t;
}

// The smallest type that carries both a's and b's values (b from one value).
ColumnType merge(const ColumnType &a, const ColumnType &b, const Cell &value)
{
    using K = ColumnType::Kind;
    if (a.kind == K::VarBinary || b.kind == K::VarBinary) {
        ColumnType t;
        t.kind = K::VarBinary;
        t.length = -1;
        return t;
    }
    if (a.kind == K::NVarChar || b.kind == K::NVarChar) {
        int la = a.kind == K::NVarChar ? a.length : 40;
        int lb = b.kind == K::NVarChar ? b.length : textLengthOf(value);
        if (la < 0 || lb < 0)
            return asText(5000);
        ColumnType t = asText(std::max(la, lb));
        return t;
    }
    bool aDate = a.kind == K::Date || a.kind == K::DateTime, bDate = b.kind == K::Date || b.kind == K::DateTime;
    if (aDate || bDate)
        return asText(std::max(30, textLengthOf(value)));
    if (a.kind == K::Float || b.kind == K::Float) {
        ColumnType t;
        t.kind = K::Float;
        t.size = 8;
        return t;
    }
    if (a.kind == K::Decimal || b.kind == K::Decimal) {
        int intDigits = std::max(intDigitsOf(a), intDigitsOf(b));
        int scale = std::max(a.kind == K::Decimal ? a.scale : 0, b.kind == K::Decimal ? b.scale : 0);
        ColumnType t;
        if (intDigits + scale > 38) {
            t.kind = K::Float;
            t.size = 8;
            return t;
        }
        t.kind = K::Decimal;
        t.precision = std::max(intDigits + scale, 1);
        t.scale = scale;
        return t;
    }
    // Int and Bit
    ColumnType t;
    t.kind = K::Int;
    t.size = std::max(a.kind == K::Bit ? 1 : a.size, b.kind == K::Bit ? 1 : b.size);
    return t;
}

} // namespace

bool parseDecimal(std::string_view text, DecimalNumber &out)
{
    std::string t = trim(text);
    std::string_view s(t);
    out = DecimalNumber{};
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        out.negative = s[i] == '-';
        ++i;
    }
    std::string digits;
    int exponent = 0;
    bool any = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        digits.push_back(s[i++]);
        any = true;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            digits.push_back(s[i++]);
            --exponent;
            any = true;
        }
    }
    if (!any)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool neg = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            neg = s[i] == '-';
            ++i;
        }
        int e = 0, n = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 6) {
            e = e * 10 + (s[i++] - '0');
            ++n;
        }
        if (n == 0)
            return false;
        exponent += neg ? -e : e;
    }
    if (i != s.size())
        return false;
    std::size_t nz = digits.find_first_not_of('0');
    if (nz == std::string::npos) {
        out.negative = false;
        return true;
    }
    digits.erase(0, nz);
    std::size_t last = digits.find_last_not_of('0');
    exponent += static_cast<int>(digits.size() - 1 - last);
    digits.resize(last + 1);
    out.digits = digits;
    out.exponent = exponent;
    return true;
}

DecimalNumber decimalFromDouble(double d)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", d);
    DecimalNumber n;
    parseDecimal(buf, n);
    return n;
}

std::string sqliteNumberText(const Cell &c)
{
    if (c.type == kSqliteInteger)
        return std::to_string(c.i);
    if (c.type == kSqliteFloat) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", c.d);
        std::string s(buf);
        if (s.find_first_of(".eni") == std::string::npos)
            s += ".0";
        return s;
    }
    return c.s;
}

bool parseDateTime(std::string_view text, std::int32_t &days1900, std::uint32_t &ticks)
{
    int y, mo, d, h, mi, sec, ms;
    bool hasTime;
    if (!parseDateParts(text, y, mo, d, h, mi, sec, ms, hasTime))
        return false;
    if (y < 1753)
        return false;
    std::int64_t days = daysFromCivil(y, mo, d) - daysFromCivil(1900, 1, 1);
    std::int64_t t = (static_cast<std::int64_t>(h) * 3600 + mi * 60 + sec) * 300 + (ms * 300 + 500) / 1000;
    if (t >= 300LL * 86400) {
        t -= 300LL * 86400;
        ++days;
    }
    days1900 = static_cast<std::int32_t>(days);
    ticks = static_cast<std::uint32_t>(t);
    return true;
}

bool typeFromDeclared(std::string_view declared, ColumnType &out)
{
    std::string s = lower(trim(declared));
    std::string base, args;
    auto paren = s.find('(');
    base = trim(s.substr(0, paren));
    if (paren != std::string::npos) {
        auto close = s.find(')', paren);
        args = s.substr(paren + 1, close == std::string::npos ? std::string::npos : close - paren - 1);
    }
    // "nvarchar(80) not null" and the like: the type name is the first word
    auto space = base.find(' ');
    std::string first = base.substr(0, space);
    int a1 = -1, a2 = -1;
    bool argMax = false;
    if (!args.empty()) {
        auto comma = args.find(',');
        std::string x = trim(args.substr(0, comma));
        if (x == "max")
            argMax = true;
        else
            a1 = std::atoi(x.c_str());
        if (comma != std::string::npos)
            a2 = std::atoi(trim(args.substr(comma + 1)).c_str());
    }
    ColumnType t;
    t.fixed = true;
    using K = ColumnType::Kind;
    if (first == "int" || first == "integer") {
        t.kind = K::Int;
        t.size = 4;
    } else if (first == "bigint") {
        t.kind = K::Int;
        t.size = 8;
    } else if (first == "smallint") {
        t.kind = K::Int;
        t.size = 2;
    } else if (first == "tinyint") {
        t.kind = K::Int;
        t.size = 1;
    } else if (first == "bit") {
        t.kind = K::Bit;
        t.size = 1;
    } else if (first == "float" || first == "double" || first == "real") {
        t.kind = K::Float;
        t.size = 8;
    } else if (first == "decimal" || first == "numeric" || first == "dec") {
        t.kind = K::Decimal;
        t.precision = a1 > 0 ? std::min(a1, 38) : 18;
        t.scale = a2 >= 0 ? std::min(a2, t.precision) : 0;
    } else if (first == "money") {
        t.kind = K::Decimal;
        t.precision = 19;
        t.scale = 4;
    } else if (first == "smallmoney") {
        t.kind = K::Decimal;
        t.precision = 10;
        t.scale = 4;
    } else if (first == "datetime" || first == "smalldatetime" || first == "datetime2") {
        t.kind = K::DateTime;
    } else if (first == "date") {
        t.kind = K::Date;
    } else if (first == "char" || first == "varchar" || first == "nchar" || first == "nvarchar" ||
               first == "character" || first == "text" || first == "ntext" || first == "sysname" ||
               first == "uniqueidentifier" || first == "clob") {
        t.kind = K::NVarChar;
        if (first == "text" || first == "ntext" || first == "clob" || argMax)
            t.length = -1;
        else if (first == "sysname")
            t.length = 128;
        else if (first == "uniqueidentifier")
            t.length = 36;
        else if (a1 > 0 || a1 == -1)
            t.length = (a1 > 4000 || a1 == -1) ? -1 : a1;
        else
            t.length = 4000;
    } else if (first == "binary" || first == "varbinary" || first == "image" || first == "blob") {
        t.kind = K::VarBinary;
        t.length = (argMax || a1 <= 0 || a1 > 8000) ? -1 : a1; // (-1) is how (max) is stored
    } else {
        return false;
    }
    out = t;
    return true;
}

bool fits(const ColumnType &type, const Cell &c, SqlError &error)
{
    if (c.type == kSqliteNull)
        return true;
    using K = ColumnType::Kind;
    auto conversion = [&](const char *target) {
        error.number = 245;
        error.message = "Conversion failed when converting the value '" + sqliteNumberText(c).substr(0, 100) +
                        "' to data type " + target + ".";
        return false;
    };
    switch (type.kind) {
    case K::Int: {
        std::int64_t v;
        if (c.type == kSqliteInteger)
            v = c.i;
        else if (c.type == kSqliteFloat && std::isfinite(c.d) && std::floor(c.d) == c.d && std::fabs(c.d) < 9e18)
            v = static_cast<std::int64_t>(c.d);
        else
            return conversion(type.size == 1 ? "tinyint" : type.size == 2 ? "smallint" : type.size == 4 ? "int" : "bigint");
        bool ok = type.size == 8 || (type.size == 4 && v >= INT32_MIN && v <= INT32_MAX) ||
                  (type.size == 2 && v >= INT16_MIN && v <= INT16_MAX) || (type.size == 1 && v >= 0 && v <= 255);
        if (!ok) {
            error.number = 8115;
            error.message = "Arithmetic overflow error converting expression to data type int.";
        }
        return ok;
    }
    case K::Bit:
        if ((c.type == kSqliteInteger && (c.i == 0 || c.i == 1)) || (c.type == kSqliteFloat && (c.d == 0 || c.d == 1)))
            return true;
        return conversion("bit");
    case K::Float:
        if (isNumber(c))
            return true;
        if (c.type == kSqliteText) {
            DecimalNumber n;
            if (parseDecimal(c.s, n))
                return true;
        }
        return conversion("float");
    case K::Decimal: {
        DecimalNumber n;
        if (!cellDecimal(c, n))
            return conversion("numeric");
        std::string digits;
        if (!scaleDigits(n, type.scale, type.fixed, digits) ||
            static_cast<int>(digits.size()) > type.precision) {
            error.number = 8115;
            error.message = "Arithmetic overflow error converting expression to data type numeric.";
            return false;
        }
        return true;
    }
    case K::DateTime:
    case K::Date: {
        std::int32_t days;
        std::uint32_t ticks;
        if (c.type == kSqliteText && parseDateTime(c.s, days, ticks))
            return true;
        error.number = 241;
        error.message = "Conversion failed when converting date and/or time from character string.";
        return false;
    }
    case K::NVarChar:
        if (c.type == kSqliteBlob && type.length >= 0 && static_cast<int>(c.s.size()) > type.length * 2)
            break;
        if (type.length < 0 || textLengthOf(c) <= type.length)
            return true;
        break;
    case K::VarBinary:
        if (type.length < 0 || static_cast<int>(c.s.size()) <= type.length)
            return true;
        break;
    }
    error.number = 8152;
    error.message = "String or binary data would be truncated.";
    return false;
}

void widenFor(ColumnType &type, const Cell &value, bool known)
{
    if (value.type == kSqliteNull)
        return;
    SqlError ignored;
    if (known && fits(type, value, ignored))
        return;
    ColumnType cand = candidateFor(value);
    if (!known) {
        type = cand;
        return;
    }
    type = merge(type, cand, value);
}

ColumnType typeFromValues(const std::vector<const Cell *> &values, bool complete)
{
    ColumnType t;
    bool known = false;
    for (const Cell *c : values) {
        if (c->type == kSqliteNull)
            continue;
        widenFor(t, *c, known);
        known = true;
    }
    if (!known) {
        t.kind = ColumnType::Int;
        t.size = 4;
    }
    if (t.kind == ColumnType::Decimal) {
        // As wide as a SQL Server sum or union of decimals comes back; without the whole
        // result, room for nine digits after the point where the integer part allows.
        int intDigits = t.precision - t.scale;
        if (!complete)
            t.scale = std::max(t.scale, std::min(9, 38 - intDigits));
        t.precision = 38;
    }
    if (!complete) {
        if (t.kind == ColumnType::NVarChar && t.length >= 0)
            t.length = 4000;
        if (t.kind == ColumnType::Int && t.size < 4)
            t.size = 4;
    }
    t.fixed = false;
    return t;
}

void writeColumnInfo(TdsOutput &out, const ColumnType &t, std::uint32_t v)
{
    if (v >= tds::Version72)
        out.u32(0);
    else
        out.u16(0);
    out.u16(0x0001 | 0x0008); // nullable, updatability unknown
    using K = ColumnType::Kind;
    switch (t.kind) {
    case K::Int:
        out.u8(0x26);
        out.u8(static_cast<std::uint8_t>(t.size));
        break;
    case K::Bit:
        out.u8(0x68);
        out.u8(1);
        break;
    case K::Float:
        out.u8(0x6D);
        out.u8(8);
        break;
    case K::Decimal:
        out.u8(0x6A);
        out.u8(static_cast<std::uint8_t>(decimalBytes(t.precision) + 1));
        out.u8(static_cast<std::uint8_t>(t.precision));
        out.u8(static_cast<std::uint8_t>(t.scale));
        break;
    case K::DateTime:
        out.u8(0x6F);
        out.u8(8);
        break;
    case K::Date:
        out.u8(0x28);
        break;
    case K::NVarChar:
        out.u8(0xE7);
        out.u16(t.length < 0 ? 0xFFFF : static_cast<std::uint16_t>(t.length * 2));
        out.bytes(std::string_view(kCollation, 5));
        break;
    case K::VarBinary:
        out.u8(0xA5);
        out.u16(t.length < 0 ? 0xFFFF : static_cast<std::uint16_t>(t.length));
        break;
    }
}

namespace {

void put(std::string &row, const void *data, std::size_t n) { row.append(static_cast<const char *>(data), n); }

void putLe(std::string &row, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        row.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

const std::uint64_t kPow10[] = {1ULL,
                                10ULL,
                                100ULL,
                                1000ULL,
                                10000ULL,
                                100000ULL,
                                1000000ULL,
                                10000000ULL,
                                100000000ULL,
                                1000000000ULL,
                                10000000000ULL,
                                100000000000ULL,
                                1000000000000ULL,
                                10000000000000ULL,
                                100000000000000ULL,
                                1000000000000000ULL,
                                10000000000000000ULL,
                                100000000000000000ULL,
                                1000000000000000000ULL};

// value * 10^scale as a 64-bit magnitude without text, where that is certainly exact:
// integers that do not overflow, and REALs whose scaled value is well inside 2^53 and not
// near a rounding midpoint (there the 15-digit reading of the slow path decides).
bool fastDecimal(const Cell &c, int scale, bool &negative, std::uint64_t &magnitude)
{
    if (scale > 18)
        return false;
    if (c.type == kSqliteInteger) {
        std::uint64_t m = c.i < 0 ? 0 - static_cast<std::uint64_t>(c.i) : static_cast<std::uint64_t>(c.i);
        if (m > UINT64_MAX / kPow10[scale])
            return false;
        negative = c.i < 0;
        magnitude = m * kPow10[scale];
        return true;
    }
    if (c.type == kSqliteFloat) {
        double x = c.d * static_cast<double>(kPow10[scale]);
        if (!(std::fabs(x) < 1e13))
            return false;
        double r = std::nearbyint(x);
        double frac = std::fabs(x - std::trunc(x));
        if (std::fabs(frac - 0.5) < 1e-3)
            return false;
        negative = r < 0;
        magnitude = static_cast<std::uint64_t>(std::fabs(r));
        return true;
    }
    return false;
}

} // namespace

bool appendValue(std::string &row, const ColumnType &t, const Cell &c, SqlError &error)
{
    using K = ColumnType::Kind;
    const bool isNull = c.type == kSqliteNull;
    switch (t.kind) {
    case K::Int: {
        if (isNull) {
            row.push_back('\0');
            return true;
        }
        if (c.type != kSqliteInteger && !fits(t, c, error))
            return false;
        std::int64_t v = c.type == kSqliteInteger ? c.i : static_cast<std::int64_t>(c.d);
        bool ok = t.size == 8 || (t.size == 4 && v >= INT32_MIN && v <= INT32_MAX) ||
                  (t.size == 2 && v >= INT16_MIN && v <= INT16_MAX) || (t.size == 1 && v >= 0 && v <= 255);
        if (!ok)
            return fits(t, c, error);
        row.push_back(static_cast<char>(t.size));
        putLe(row, static_cast<std::uint64_t>(v), t.size);
        return true;
    }
    case K::Bit:
        if (isNull) {
            row.push_back('\0');
            return true;
        }
        if (!fits(t, c, error))
            return false;
        row.push_back('\1');
        row.push_back((c.type == kSqliteInteger ? c.i != 0 : c.d != 0) ? '\1' : '\0');
        return true;
    case K::Float: {
        if (isNull) {
            row.push_back('\0');
            return true;
        }
        if (c.type != kSqliteFloat && !fits(t, c, error))
            return false;
        double d = c.type == kSqliteInteger ? static_cast<double>(c.i)
                   : c.type == kSqliteFloat ? c.d
                                            : std::strtod(trim(c.s).c_str(), nullptr);
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        row.push_back('\x08');
        putLe(row, bits, 8);
        return true;
    }
    case K::Decimal: {
        if (isNull) {
            row.push_back('\0');
            return true;
        }
        const int nbytes = decimalBytes(t.precision);
        char b[17] = {};
        bool negative = false;
        std::uint64_t magnitude = 0;
        // A column typed from its values must not round: only declared scales may.
        if ((t.fixed || c.type == kSqliteInteger) && fastDecimal(c, t.scale, negative, magnitude)) {
            if (t.precision < 20 && magnitude >= kPow10[t.precision]) {
                error.number = 8115;
                error.message = "Arithmetic overflow error converting expression to data type numeric.";
                return false;
            }
            b[0] = (negative && magnitude != 0) ? 0 : 1;
            for (int i = 0; i < 8 && i < nbytes; ++i)
                b[1 + i] = static_cast<char>((magnitude >> (8 * i)) & 0xFF);
        } else {
            DecimalNumber n;
            if (!cellDecimal(c, n))
                return fits(t, c, error);
            std::string digits;
            if (!scaleDigits(n, t.scale, t.fixed, digits) || static_cast<int>(digits.size()) > t.precision) {
                error.number = 8115;
                error.message = "Arithmetic overflow error converting expression to data type numeric.";
                return false;
            }
            b[0] = (n.negative && !digits.empty()) ? 0 : 1;
            digitsToBytes(digits, nbytes, b + 1);
        }
        row.push_back(static_cast<char>(nbytes + 1));
        put(row, b, static_cast<std::size_t>(nbytes + 1));
        return true;
    }
    case K::DateTime: {
        if (isNull) {
            row.push_back('\0');
            return true;
        }
        std::int32_t days;
        std::uint32_t ticks;
        if (c.type != kSqliteText || !parseDateTime(c.s, days, ticks))
            return fits(t, c, error);
        row.push_back('\x08');
        putLe(row, static_cast<std::uint32_t>(days), 4);
        putLe(row, ticks, 4);
        return true;
    }
    case K::Date: {
        if (isNull) {
            row.push_back('\0');
            return true;
        }
        int y, mo, d, h, mi, sec, ms;
        bool hasTime;
        if (c.type != kSqliteText || !parseDateParts(c.s, y, mo, d, h, mi, sec, ms, hasTime) || y < 1)
            return fits(t, c, error);
        auto days = static_cast<std::uint32_t>(daysFromCivil(y, mo, d) - daysFromCivil(1, 1, 1));
        row.push_back('\x03');
        putLe(row, days, 3);
        return true;
    }
    case K::NVarChar:
    case K::VarBinary: {
        const bool plp = t.length < 0;
        if (isNull) {
            if (plp)
                putLe(row, ~0ULL, 8);
            else
                putLe(row, 0xFFFF, 2);
            return true;
        }
        // Length prefix first, data after; the prefix is filled in once the size is known.
        const std::size_t at = row.size();
        row.append(plp ? 12 : 2, '\0');
        std::size_t units;
        if (t.kind == K::VarBinary) {
            row += c.s;
            units = c.s.size();
        } else if (c.type == kSqliteText || c.type == kSqliteBlob) {
            units = appendUtf16(row, c.s);
        } else {
            units = appendUtf16(row, sqliteNumberText(c));
        }
        const std::size_t bytes = row.size() - at - (plp ? 12 : 2);
        if (!plp && static_cast<int>(units) > t.length) {
            row.resize(at);
            error.number = 8152;
            error.message = "String or binary data would be truncated.";
            return false;
        }
        if (plp) {
            for (int i = 0; i < 8; ++i)
                row[at + static_cast<std::size_t>(i)] = static_cast<char>((static_cast<std::uint64_t>(bytes) >> (8 * i)) & 0xFF);
            if (bytes == 0) {
                row.resize(at + 8); // no chunk, only the terminator
            } else {
                for (int i = 0; i < 4; ++i)
                    row[at + 8 + static_cast<std::size_t>(i)] = static_cast<char>((bytes >> (8 * i)) & 0xFF);
            }
            putLe(row, 0, 4); // terminator
        } else {
            row[at] = static_cast<char>(bytes & 0xFF);
            row[at + 1] = static_cast<char>((bytes >> 8) & 0xFF);
        }
        return true;
    }
    }
    return true;
}

} // namespace yorsabat::standin
