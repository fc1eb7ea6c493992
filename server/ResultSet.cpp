#include "server/ResultSet.h"

#include "shell/Error.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace yorsabat::server {

namespace {

constexpr int kMaxScaledDigits = 18; // 10^18 still fits an int64

std::int64_t powerOfTen(int exponent)
{
    std::int64_t p = 1;
    for (int i = 0; i < exponent; ++i)
        p *= 10;
    return p;
}

// Splits a plain decimal number ("-0012.3400", ".5") into its sign and its
// digits without leading integer zeros or trailing fractional zeros.
// Returns false when the text is not a plain decimal number.
bool splitDecimal(QStringView text, bool &negative, QStringView &intDigits, QStringView &fracDigits)
{
    text = text.trimmed();
    negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    const qsizetype dot = text.indexOf(u'.');
    QStringView whole = dot < 0 ? text : text.left(dot);
    QStringView frac = dot < 0 ? QStringView() : text.mid(dot + 1);
    if (whole.isEmpty() && frac.isEmpty())
        return false;
    for (QChar c : whole)
        if (c < u'0' || c > u'9')
            return false;
    for (QChar c : frac)
        if (c < u'0' || c > u'9')
            return false;
    while (!whole.isEmpty() && whole.front() == u'0')
        whole = whole.mid(1);
    while (!frac.isEmpty() && frac.back() == u'0')
        frac.chop(1);
    if (whole.isEmpty() && frac.isEmpty())
        negative = false; // "-0.00" is zero
    intDigits = whole;
    fracDigits = frac;
    return true;
}

QString decimalText(bool negative, QStringView whole, QStringView frac)
{
    QString out;
    out.reserve(whole.size() + frac.size() + 3);
    if (negative)
        out += u'-';
    if (whole.isEmpty())
        out += u'0';
    else
        out += whole;
    if (!frac.isEmpty()) {
        out += u'.';
        out += frac;
    }
    return out;
}

QString scaledToText(std::int64_t value, int scale)
{
    // The magnitude as unsigned, so that INT64_MIN is safe.
    const bool negative = value < 0;
    std::uint64_t magnitude = negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    char16_t digits[24];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 || n <= scale); // digits[] holds them lowest first
    int firstFraction = 0; // drop trailing fractional zeros
    while (firstFraction < scale && digits[firstFraction] == u'0')
        ++firstFraction;
    QString out;
    out.reserve(n + 2);
    if (negative)
        out += u'-';
    for (int i = n - 1; i >= scale; --i)
        out += QChar(digits[i]);
    if (firstFraction < scale) {
        out += u'.';
        for (int i = scale - 1; i >= firstFraction; --i)
            out += QChar(digits[i]);
    }
    return out;
}

QString dateTimeText(std::int64_t msecs)
{
    const QDateTime dt = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    return dt.time().msec() != 0 ? dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                                 : dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// Reads "  -123 " as an integer; false for anything else or out of range.
bool parseInteger(QStringView text, std::int64_t &value)
{
    text = text.trimmed();
    if (text.isEmpty())
        return false;
    bool negative = false;
    if (text.front() == u'-' || text.front() == u'+') {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return false;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = negative ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1
                                         : std::uint64_t(std::numeric_limits<std::int64_t>::max());
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        const unsigned d = c.unicode() - u'0';
        if (magnitude > (limit - d) / 10)
            return false;
        magnitude = magnitude * 10 + d;
    }
    value = negative ? std::int64_t(std::uint64_t(0) - magnitude) : std::int64_t(magnitude);
    return true;
}

} // namespace

struct ResultSet::Column
{
    FieldType type = FieldType::Text;
    int scale = 0;
    std::int64_t count = 0;

    std::vector<std::uint64_t> nulls; // bit set: NULL; grown only once a NULL arrives

    // Integer: the value. Float: the double's bits. Decimal: the value scaled
    // by 10^scale, or, for a row flagged in `wide`, an index into the texts.
    // DateTime: milliseconds since 1970-01-01 of the naive wall time.
    std::vector<std::int64_t> values;
    std::vector<double> floats;
    std::vector<std::uint64_t> wide; // decimals held as exact text

    // Texts (and decimals too wide for 64 bits): all characters in one
    // buffer, each value ending at ends[i].
    std::vector<char16_t> chars;
    std::vector<std::int64_t> ends;

    static void setBit(std::vector<std::uint64_t> &bits, std::int64_t index)
    {
        const auto word = std::size_t(index / 64);
        if (bits.size() <= word)
            bits.resize(word + 1, 0);
        bits[word] |= std::uint64_t(1) << (index % 64);
    }
    static bool bit(const std::vector<std::uint64_t> &bits, std::int64_t index)
    {
        const auto word = std::size_t(index / 64);
        return word < bits.size() && (bits[word] >> (index % 64)) & 1;
    }

    QStringView textAt(std::int64_t index) const
    {
        const std::int64_t begin = index == 0 ? 0 : ends[std::size_t(index - 1)];
        return QStringView(chars.data() + begin, qsizetype(ends[std::size_t(index)] - begin));
    }
    void pushText(QStringView text)
    {
        chars.insert(chars.end(), text.utf16(), text.utf16() + text.size());
        ends.push_back(std::int64_t(chars.size()));
    }
    QString decimalText(std::int64_t row) const
    {
        if (bit(wide, row))
            return textAt(values[std::size_t(row)]).toString();
        return scaledToText(values[std::size_t(row)], scale);
    }
};

ResultSet::ResultSet(std::vector<FieldInfo> fields)
    : m_fields(std::move(fields))
{
    m_columns.reserve(m_fields.size());
    for (const FieldInfo &f : m_fields) {
        auto c = std::make_unique<Column>();
        c->type = f.type;
        c->scale = f.type == FieldType::Decimal ? std::clamp(f.scale, 0, kMaxScaledDigits) : 0;
        m_columns.push_back(std::move(c));
    }
}

ResultSet::~ResultSet() = default;

int ResultSet::fieldCount() const
{
    return int(m_fields.size());
}

const FieldInfo &ResultSet::field(int column) const
{
    if (column < 0 || column >= fieldCount())
        throw Error(QStringLiteral("Column index %1 out of range").arg(column));
    return m_fields[std::size_t(column)];
}

int ResultSet::fieldIndex(QStringView name) const
{
    for (int i = 0; i < fieldCount(); ++i)
        if (QStringView(m_fields[std::size_t(i)].name).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::int64_t ResultSet::rowCount() const
{
    if (m_columns.empty())
        return 0;
    std::int64_t rows = m_columns.front()->count;
    for (const auto &c : m_columns)
        rows = std::min(rows, c->count);
    return rows;
}

namespace {
[[noreturn]] void outOfRange(std::int64_t row, int column)
{
    throw Error(QStringLiteral("Row %1, column %2 is outside the result").arg(row).arg(column));
}
} // namespace

bool ResultSet::isNull(std::int64_t row, int column) const
{
    if (column < 0 || column >= fieldCount() || row < 0 || row >= m_columns[std::size_t(column)]->count)
        outOfRange(row, column);
    return Column::bit(m_columns[std::size_t(column)]->nulls, row);
}

QString ResultSet::asText(std::int64_t row, int column) const
{
    if (isNull(row, column))
        return QString();
    const Column &c = *m_columns[std::size_t(column)];
    switch (c.type) {
    case FieldType::Text:
        return c.textAt(row).toString();
    case FieldType::Integer:
        return QString::number(c.values[std::size_t(row)]);
    case FieldType::Float:
        return QString::number(c.floats[std::size_t(row)], 'g', QLocale::FloatingPointShortest);
    case FieldType::Decimal:
        return c.decimalText(row);
    case FieldType::DateTime:
        return dateTimeText(c.values[std::size_t(row)]);
    }
    return QString();
}

double ResultSet::asFloat(std::int64_t row, int column) const
{
    if (isNull(row, column))
        return 0.0;
    const Column &c = *m_columns[std::size_t(column)];
    switch (c.type) {
    case FieldType::Integer:
        return double(c.values[std::size_t(row)]);
    case FieldType::Float:
        return c.floats[std::size_t(row)];
    case FieldType::Decimal:
        if (!Column::bit(c.wide, row) && c.scale == 0)
            return double(c.values[std::size_t(row)]);
        // Through the exact text: correctly rounded, unlike value / 10^scale.
        return c.decimalText(row).toDouble();
    case FieldType::Text: {
        bool ok = false;
        const QStringView text = c.textAt(row);
        const double v = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v))
            throw Error(QStringLiteral("'%1' is not a valid floating point value (field %2)")
                            .arg(text, m_fields[std::size_t(column)].name));
        return v;
    }
    case FieldType::DateTime:
        break;
    }
    throw Error(QStringLiteral("Field '%1' is a date-time and cannot be read as a number")
                    .arg(m_fields[std::size_t(column)].name));
}

std::int64_t ResultSet::asInteger(std::int64_t row, int column) const
{
    if (isNull(row, column))
        return 0;
    const Column &c = *m_columns[std::size_t(column)];
    const QString &name = m_fields[std::size_t(column)].name;
    auto notInteger = [&](const QString &text) {
        return Error(QStringLiteral("'%1' is not a valid integer value (field %2)").arg(text, name));
    };
    switch (c.type) {
    case FieldType::Integer:
        return c.values[std::size_t(row)];
    case FieldType::Float: {
        const double v = c.floats[std::size_t(row)];
        // 2^63 is the first double past the int64 range.
        if (v != std::trunc(v) || !(v >= -9223372036854775808.0 && v < 9223372036854775808.0))
            throw notInteger(asText(row, column));
        return std::int64_t(v);
    }
    case FieldType::Decimal: {
        std::int64_t v = 0;
        if (!Column::bit(c.wide, row)) {
            const std::int64_t scaled = c.values[std::size_t(row)];
            const std::int64_t unit = powerOfTen(c.scale);
            if (scaled % unit == 0)
                return scaled / unit;
        } else if (parseInteger(c.decimalText(row), v)) {
            return v;
        }
        throw notInteger(asText(row, column));
    }
    case FieldType::Text: {
        std::int64_t v = 0;
        if (!parseInteger(c.textAt(row), v))
            throw notInteger(c.textAt(row).toString());
        return v;
    }
    case FieldType::DateTime:
        break;
    }
    throw notInteger(asText(row, column));
}

QDateTime ResultSet::asDateTime(std::int64_t row, int column) const
{
    if (isNull(row, column))
        return QDateTime();
    const Column &c = *m_columns[std::size_t(column)];
    if (c.type == FieldType::DateTime)
        return QDateTime::fromMSecsSinceEpoch(c.values[std::size_t(row)], Qt::UTC);
    if (c.type == FieldType::Text) {
        const QString text = c.textAt(row).trimmed().toString();
        for (const QString &format : {QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"), QStringLiteral("yyyy-MM-dd hh:mm:ss"),
                                      QStringLiteral("yyyy-MM-ddThh:mm:ss"), QStringLiteral("yyyy-MM-dd")}) {
            const QDateTime dt = QDateTime::fromString(text, format);
            if (dt.isValid())
                return QDateTime(dt.date(), dt.time(), Qt::UTC);
        }
    }
    throw Error(QStringLiteral("'%1' is not a valid date and time (field %2)")
                    .arg(asText(row, column), m_fields[std::size_t(column)].name));
}

void ResultSet::appendNull(int column)
{
    Column &c = *m_columns.at(std::size_t(column));
    Column::setBit(c.nulls, c.count);
    switch (c.type) {
    case FieldType::Text:
        c.ends.push_back(std::int64_t(c.chars.size()));
        break;
    case FieldType::Float:
        c.floats.push_back(0.0);
        break;
    default:
        c.values.push_back(0);
        break;
    }
    ++c.count;
}

namespace {
[[noreturn]] void wrongKind(const FieldInfo &f, const char *what)
{
    throw Error(QStringLiteral("Field '%1' cannot store %2").arg(f.name, QLatin1StringView(what)));
}
} // namespace

void ResultSet::appendInteger(int column, std::int64_t value)
{
    Column &c = *m_columns.at(std::size_t(column));
    switch (c.type) {
    case FieldType::Integer:
        c.values.push_back(value);
        ++c.count;
        return;
    case FieldType::Float:
        appendFloat(column, double(value));
        return;
    case FieldType::Decimal:
        appendDecimal(column, QString::number(value));
        return;
    case FieldType::Text:
        appendText(column, QString::number(value));
        return;
    case FieldType::DateTime:
        break;
    }
    wrongKind(m_fields[std::size_t(column)], "an integer");
}

void ResultSet::appendFloat(int column, double value)
{
    Column &c = *m_columns.at(std::size_t(column));
    if (c.type != FieldType::Float)
        wrongKind(m_fields[std::size_t(column)], "a floating point number");
    c.floats.push_back(value);
    ++c.count;
}

void ResultSet::appendDecimal(int column, QStringView exactText)
{
    Column &c = *m_columns.at(std::size_t(column));
    if (c.type != FieldType::Decimal)
        wrongKind(m_fields[std::size_t(column)], "a decimal");
    bool negative = false;
    QStringView whole, frac;
    if (!splitDecimal(exactText, negative, whole, frac))
        throw Error(QStringLiteral("'%1' is not a valid decimal value (field %2)")
                        .arg(exactText, m_fields[std::size_t(column)].name));
    // Scaled when it fits 18 digits at the column's scale, else kept as text.
    if (frac.size() <= c.scale && whole.size() + c.scale <= kMaxScaledDigits) {
        std::int64_t v = 0;
        for (QChar d : whole)
            v = v * 10 + (d.unicode() - u'0');
        for (int i = 0; i < c.scale; ++i)
            v = v * 10 + (i < frac.size() ? frac[i].unicode() - u'0' : 0);
        c.values.push_back(negative ? -v : v);
    } else {
        Column::setBit(c.wide, c.count);
        c.values.push_back(std::int64_t(c.ends.size()));
        c.pushText(decimalText(negative, whole, frac));
    }
    ++c.count;
}

void ResultSet::appendText(int column, QStringView text)
{
    Column &c = *m_columns.at(std::size_t(column));
    if (c.type != FieldType::Text)
        wrongKind(m_fields[std::size_t(column)], "a text");
    c.pushText(text);
    ++c.count;
}

void ResultSet::appendDateTime(int column, const QDateTime &value)
{
    Column &c = *m_columns.at(std::size_t(column));
    if (c.type != FieldType::DateTime)
        wrongKind(m_fields[std::size_t(column)], "a date-time");
    if (!value.isValid()) {
        appendNull(column);
        return;
    }
    // The wall time as given, whatever its time spec.
    c.values.push_back(QDateTime(value.date(), value.time(), Qt::UTC).toMSecsSinceEpoch());
    ++c.count;
}

std::size_t ResultSet::storageBytes() const
{
    std::size_t bytes = 0;
    for (const auto &c : m_columns) {
        bytes += c->nulls.capacity() * sizeof(std::uint64_t) + c->wide.capacity() * sizeof(std::uint64_t)
            + c->values.capacity() * sizeof(std::int64_t) + c->floats.capacity() * sizeof(double)
            + c->chars.capacity() * sizeof(char16_t) + c->ends.capacity() * sizeof(std::int64_t);
    }
    return bytes;
}

} // namespace yorsabat::server
