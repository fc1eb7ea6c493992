#pragma once

#include <QDateTime>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace yorsabat::server {

// The kind a column's values are stored and read as.
enum class FieldType {
    Text,     // char, varchar, nchar, nvarchar, text, uniqueidentifier, anything unknown
    Integer,  // tinyint, smallint, int, bigint, bit
    Float,    // real, float
    Decimal,  // decimal, numeric, money: exact, kept to the declared scale
    DateTime, // datetime, datetime2, smalldatetime, date, time: a naive local date-time
};

struct FieldInfo
{
    QString name;
    FieldType type = FieldType::Text;
    int precision = 0; // decimals: declared precision
    int scale = 0;     // decimals: declared scale
    int size = 0;      // texts: declared length in characters (0 when unknown or max)
};

// One result of a statement, held wholly in memory, column by column.
// Values are stored compactly (no heap object per cell): numbers in flat
// arrays, texts in one buffer per column, NULLs in a bitmap.
//
// Reading follows the data-access conventions the tool relies on: any value
// reads as text; numbers read as floating-point numbers and integers; a text of
// digits reads as an integer; a value that cannot be read as asked raises
// yorsabat::Error. NULL reads as the empty text, 0, or an invalid QDateTime.
class ResultSet
{
public:
    explicit ResultSet(std::vector<FieldInfo> fields);
    ~ResultSet();
    ResultSet(const ResultSet &) = delete;
    ResultSet &operator=(const ResultSet &) = delete;

    int fieldCount() const;
    const FieldInfo &field(int column) const;
    // Index of the field with that name, compared case-insensitively; -1 when none.
    int fieldIndex(QStringView name) const;

    std::int64_t rowCount() const;

    bool isNull(std::int64_t row, int column) const;
    // Text forms, with "." as the decimal point whatever the locale: integers
    // as digits; decimals exact, without trailing fractional zeros ("12.5",
    // "1500"); floats in the shortest form that reads back the same;
    // date-times "yyyy-MM-dd hh:mm:ss", with ".zzz" only when the
    // milliseconds are not zero. A row or column outside the result raises.
    QString asText(std::int64_t row, int column) const;
    double asFloat(std::int64_t row, int column) const;
    std::int64_t asInteger(std::int64_t row, int column) const;
    QDateTime asDateTime(std::int64_t row, int column) const; // in Qt::UTC: a naive wall time

    // Building, column by column: every append adds the next row's value of
    // that column. The row count is the length of the shortest column.
    void appendNull(int column);
    void appendInteger(int column, std::int64_t value);
    void appendFloat(int column, double value);
    void appendDecimal(int column, QStringView exactText); // e.g. "-12345678.910000000"
    void appendDecimal(int column, QLatin1StringView exactText);
    void appendText(int column, QStringView text);
    void appendDateTime(int column, const QDateTime &value);

    // Bytes held by the stored values, for the benchmarks.
    std::size_t storageBytes() const;

private:
    struct Column;
    std::vector<FieldInfo> m_fields;
    std::vector<std::unique_ptr<Column>> m_columns;
};

} // namespace yorsabat::server
