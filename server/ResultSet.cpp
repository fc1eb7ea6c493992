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

// The common case in one pass: "[-]digits[.digits]" whose value fits 18
// digits at the scale. False sends the text to the general path.
template <typename Char>
bool quickScaledDecimal(const Char *p, qsizetype n, int scale, std::int64_t &out)
{
    qsizetype i = 0;
    const bool negative = n > 0 && p[0] == '-';
    if (negative)
        ++i;
    std::int64_t v = 0;
    int significant = 0; // integer digits after leading zeros
    bool anyDigit = false;
    for (; i < n && p[i] != '.'; ++i) {
        const unsigned d = unsigned(p[i]) - '0';
        if (d > 9)
            return false;
        anyDigit = true;
        if (v == 0 && d == 0)
            continue;
        if (++significant + scale > kMaxScaledDigits)
            return false;
        v = v * 10 + d;
    }
    int fraction = 0;
    if (i < n) { // at the point
        for (++i; i < n; ++i) {
            const unsigned d = unsigned(p[i]) - '0';
            if (d > 9)
                return false;
            anyDigit = true;
            if (fraction < scale) {
                v = v * 10 + d;
                ++fraction;
            } else if (d != 0) {
                return false; // more digits than the scale keeps
            }
        }
    }
    if (!anyDigit)
        return false;
    for (; fraction < scale; ++fraction)
        v *= 10;
    out = negative ? -v : v;
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

// A growing array in fixed chunks: growth never copies what is stored, and
// only the memory written is touched. The first chunk grows as a vector, so
// a small result stays small.
template <typename T>
class Chunked
{
public:
    static constexpr std::size_t kShift = 16;
    static constexpr std::size_t kChunk = std::size_t(1) << kShift;

    void push_back(T value)
    {
        if (m_chunks.empty() || m_chunks.back().size() == kChunk) {
            m_chunks.emplace_back();
            if (m_chunks.size() > 1)
                m_chunks.back().reserve(kChunk);
        }
        m_chunks.back().push_back(value);
        ++m_size;
    }
    T operator[](std::int64_t index) const { return m_chunks[std::size_t(index) >> kShift][std::size_t(index) & (kChunk - 1)]; }
    std::int64_t size() const { return std::int64_t(m_size); }
    std::size_t bytes() const
    {
        std::size_t b = m_chunks.capacity() * sizeof(std::vector<T>);
        for (const auto &c : m_chunks)
            b += c.capacity() * sizeof(T);
        return b;
    }

private:
    std::vector<std::vector<T>> m_chunks;
    std::size_t m_size = 0;
};

// Texts one after another in chunks of characters; a text never straddles
// two chunks, so each one reads as a single view.
class TextStore
{
public:
    static constexpr std::size_t kChunkChars = std::size_t(1) << 20;

    void push(QStringView text)
    {
        const auto length = std::size_t(text.size());
        if (m_chunks.empty() || m_chunks.back().size() + length > std::max(kChunkChars, m_chunks.back().capacity())) {
            m_starts.push_back(m_total);
            m_chunks.emplace_back();
            if (m_chunks.size() > 1)
                m_chunks.back().reserve(std::max(kChunkChars, length));
        }
        m_chunks.back().insert(m_chunks.back().end(), text.utf16(), text.utf16() + length);
        m_total += std::int64_t(length);
        m_ends.push_back(m_total);
    }
    QStringView at(std::int64_t index) const
    {
        const std::int64_t begin = index == 0 ? 0 : m_ends[index - 1];
        const std::int64_t length = m_ends[index] - begin;
        if (length == 0)
            return QStringView(u"", 0);
        // The chunk that holds the text: the last one starting at or before it.
        const auto chunk = std::size_t(std::upper_bound(m_starts.begin(), m_starts.end(), begin) - m_starts.begin() - 1);
        return QStringView(m_chunks[chunk].data() + (begin - m_starts[chunk]), qsizetype(length));
    }
    std::int64_t size() const { return m_ends.size(); }
    std::size_t bytes() const
    {
        std::size_t b = m_ends.bytes() + m_starts.capacity() * sizeof(std::int64_t);
        for (const auto &c : m_chunks)
            b += c.capacity() * sizeof(char16_t);
        return b;
    }

private:
    std::vector<std::vector<char16_t>> m_chunks;
    std::vector<std::int64_t> m_starts; // offset of each chunk's first character among all texts
    Chunked<std::int64_t> m_ends;       // end offset of each text
    std::int64_t m_total = 0;
};

struct ResultSet::Column
{
    FieldType type = FieldType::Text;
    int scale = 0;
    std::int64_t count = 0;

    std::vector<std::uint64_t> nulls; // bit set: NULL; grown only once a NULL arrives

    // Integer: the value. Float: the double's bits. Decimal: the value scaled
    // by 10^scale, or, for a row flagged in `wide`, an index into the texts.
    // DateTime: milliseconds since 1970-01-01 of the naive wall time.
    Chunked<std::int64_t> values;
    Chunked<double> floats;
    std::vector<std::uint64_t> wide; // decimals held as exact text

    // Texts, and decimals too wide for 64 bits.
    TextStore texts;

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

    QStringView textAt(std::int64_t index) const { return texts.at(index); }
    void pushText(QStringView text) { texts.push(text); }
    QString decimalText(std::int64_t row) const
    {
        if (bit(wide, row))
            return textAt(values[row]).toString();
        return scaledToText(values[row], scale);
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
        return QString::number(c.values[row]);
    case FieldType::Float:
        return QString::number(c.floats[row], 'g', QLocale::FloatingPointShortest);
    case FieldType::Decimal:
        return c.decimalText(row);
    case FieldType::DateTime:
        return dateTimeText(c.values[row]);
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
        return double(c.values[row]);
    case FieldType::Float:
        return c.floats[row];
    case FieldType::Decimal:
        if (!Column::bit(c.wide, row) && c.scale == 0)
            return double(c.values[row]);
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
        return c.values[row];
    case FieldType::Float: {
        const double v = c.floats[row];
        // 2^63 is the first double past the int64 range.
        if (v != std::trunc(v) || !(v >= -9223372036854775808.0 && v < 9223372036854775808.0))
            throw notInteger(asText(row, column));
        return std::int64_t(v);
    }
    case FieldType::Decimal: {
        std::int64_t v = 0;
        if (!Column::bit(c.wide, row)) {
            const std::int64_t scaled = c.values[row];
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
        return QDateTime::fromMSecsSinceEpoch(c.values[row], Qt::UTC);
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
        c.texts.push(QStringView());
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
    std::int64_t scaled = 0;
    if (quickScaledDecimal(exactText.utf16(), exactText.size(), c.scale, scaled)) {
        c.values.push_back(scaled);
        ++c.count;
        return;
    }
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
        c.values.push_back(c.texts.size());
        c.pushText(decimalText(negative, whole, frac));
    }
    ++c.count;
}

void ResultSet::appendDecimal(int column, QLatin1StringView exactText)
{
    Column &c = *m_columns.at(std::size_t(column));
    std::int64_t scaled = 0;
    if (c.type == FieldType::Decimal && quickScaledDecimal(exactText.data(), exactText.size(), c.scale, scaled)) {
        c.values.push_back(scaled);
        ++c.count;
        return;
    }
    appendDecimal(column, QString(exactText));
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
    // The wall time as given, whatever its timeSpec().
    c.values.push_back(QDateTime(value.date(), value.time(), Qt::UTC).toMSecsSinceEpoch());
    ++c.count;
}

std::size_t ResultSet::storageBytes() const
{
    std::size_t bytes = 0;
    for (const auto &c : m_columns) {
        bytes += c->nulls.capacity() * sizeof(std::uint64_t) + c->wide.capacity() * sizeof(std::uint64_t)
            + c->values.bytes() + c->floats.bytes() + c->texts.bytes();
    }
    return bytes;
}

} // namespace yorsabat::server
