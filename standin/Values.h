#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace yorsabat::standin {

class TdsOutput;

// An error as SQL Server reports it.
struct SqlError
{
    int number = 0;
    int severity = 16;
    int state = 1;
    std::string message;
};

// One value read from SQLite (storage class as sqlite3_column_type reports it).
struct Cell
{
    int type = 5; // SQLITE_NULL
    std::int64_t i = 0;
    double d = 0;
    std::string s; // text or blob bytes
};

// The SQL Server type a result column is sent as.
struct ColumnType
{
    enum Kind { Int, Bit, Float, Decimal, DateTime, Date, NVarChar, VarBinary };
    Kind kind = Int;
    int size = 4;       // Int: 1, 2, 4 or 8 bytes
    int precision = 0;  // Decimal
    int scale = 0;      // Decimal
    int length = 1;     // NVarChar in characters, VarBinary in bytes; -1: (max)
    bool fixed = false; // from a declared type: widened only where a value would not fit
};

// The type for a declared SQLite column type written the T-SQL way ("decimal(28,9)",
// "nvarchar(80)", "datetime"); false when the declared type says nothing usable.
bool typeFromDeclared(std::string_view declared, ColumnType &out);

// Widens type so that value fits without loss; false if no SQL Server type can carry it.
void widenFor(ColumnType &type, const Cell &value, bool known);

// For a column with no declared type, what the values seen so far say. complete: every
// row of the result was seen, so sizes need no headroom.
ColumnType typeFromValues(const std::vector<const Cell *> &values, bool complete);

// Whether value can be sent as type without loss; error tells why not.
bool fits(const ColumnType &type, const Cell &value, SqlError &error);

void writeColumnInfo(TdsOutput &out, const ColumnType &type, std::uint32_t tdsVersion);
// Appends value to a ROW token's bytes in the form type prescribes; false with error (and
// row unchanged in length from the start of a failed text) when it cannot go out whole.
bool appendValue(std::string &row, const ColumnType &type, const Cell &value, SqlError &error);

// Exact decimal text to (digits, exponent): value = digits * 10^exponent.
struct DecimalNumber
{
    bool negative = false;
    std::string digits; // no leading zeros; empty for zero
    int exponent = 0;
};
bool parseDecimal(std::string_view text, DecimalNumber &out);
// The decimal meaning of a REAL: its 15 significant digits, as SQLite itself prints it.
DecimalNumber decimalFromDouble(double d);
// Days since 1900-01-01 and 1/300 s ticks, from "YYYY-MM-DD[ HH:MM[:SS[.fff]]]".
bool parseDateTime(std::string_view text, std::int32_t &days1900, std::uint32_t &ticks);
std::string sqliteNumberText(const Cell &c); // REAL/INTEGER the way SQLite casts them to text

} // namespace yorsabat::standin
