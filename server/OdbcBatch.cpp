#include "server/OdbcBatch.h"

#include "server/Odbc.h"
#include "shell/Error.h"

#include <QDate>
#include <QTime>

#include <cstring>
#include <vector>

namespace yorsabat::server {

namespace {

constexpr SQLSMALLINT kSqlSsTime2 = -154;            // SQL Server's time(n)
constexpr SQLULEN kBlockRows = 512;                  // rows per SQLFetchScroll
constexpr SQLULEN kMaxBoundChars = 4000;             // longer texts are read in pieces
constexpr std::size_t kMaxBlockBytes = 16u << 20;    // cap on one block's buffers
constexpr SQLLEN kPieceChars = 16384;                // piece size for long values

enum class Binding { Int64, Double, DecimalText, Text, Timestamp, TimeText, Long };

struct ColumnReader
{
    Binding binding = Binding::Long;
    bool bound = false;
    SQLLEN elementBytes = 0;
    std::vector<char> data;
    std::vector<SQLLEN> indicators;
};

SQLSMALLINT cTypeOf(Binding b)
{
    switch (b) {
    case Binding::Int64: return SQL_C_SBIGINT;
    case Binding::Double: return SQL_C_DOUBLE;
    case Binding::Timestamp: return SQL_C_TYPE_TIMESTAMP;
    case Binding::DecimalText: return SQL_C_CHAR; // digits only: no character set conversion
    default: return SQL_C_WCHAR;
    }
}

// The field kind and the way of reading a column of that SQL type.
void classify(SQLSMALLINT sqlType, SQLULEN columnSize, SQLSMALLINT decimalDigits, FieldInfo &field, ColumnReader &reader)
{
    switch (sqlType) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        field.type = FieldType::Integer;
        reader.binding = Binding::Int64;
        reader.elementBytes = sizeof(std::int64_t);
        return;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        field.type = FieldType::Float;
        reader.binding = Binding::Double;
        reader.elementBytes = sizeof(double);
        return;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        field.type = FieldType::Decimal;
        field.precision = int(columnSize);
        field.scale = decimalDigits;
        reader.binding = Binding::DecimalText;
        // sign, leading zero, point and terminator around the digits
        reader.elementBytes = SQLLEN(std::min<SQLULEN>(columnSize, 100) + 5);
        return;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
    case SQL_TIMESTAMP:
        field.type = FieldType::DateTime;
        reader.binding = Binding::Timestamp;
        reader.elementBytes = sizeof(SQL_TIMESTAMP_STRUCT);
        return;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case kSqlSsTime2:
        field.type = FieldType::DateTime;
        reader.binding = Binding::TimeText;
        reader.elementBytes = 40 * sizeof(SQLWCHAR);
        return;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_GUID:
        field.type = FieldType::Text;
        if (sqlType == SQL_GUID)
            columnSize = 36;
        if (columnSize > 0 && columnSize <= kMaxBoundChars) {
            field.size = int(columnSize);
            reader.binding = Binding::Text;
            // A UTF-16 value never has more code units than the declared length.
            reader.elementBytes = SQLLEN((columnSize + 1) * sizeof(SQLWCHAR));
            return;
        }
        reader.binding = Binding::Long;
        return;
    default:
        // (n)varchar(max), text, xml, binary, sql_variant and anything else: read as text in pieces.
        field.type = FieldType::Text;
        reader.binding = Binding::Long;
        return;
    }
}

QTime parseTime(QStringView text, bool &ok)
{
    // "hh:mm:ss" with an optional fraction of up to seven digits.
    ok = false;
    text = text.trimmed();
    if (text.size() < 8 || text[2] != u':' || text[5] != u':')
        return {};
    bool a = false, b = false, c = false;
    const int h = text.mid(0, 2).toInt(&a), m = text.mid(3, 2).toInt(&b), s = text.mid(6, 2).toInt(&c);
    if (!a || !b || !c)
        return {};
    int ms = 0;
    if (text.size() > 8) {
        if (text[8] != u'.')
            return {};
        QStringView frac = text.mid(9, 3);
        for (int i = 0; i < 3; ++i)
            ms = ms * 10 + (i < frac.size() ? frac[i].digitValue() : 0);
    }
    QTime t(h, m, s, ms);
    ok = t.isValid();
    return t;
}

// Reads one result into a ResultSet: bound column arrays fetched in blocks;
// columns from the first long one on are read with SQLGetData, row by row.
class ResultReader
{
public:
    explicit ResultReader(SQLHSTMT stmt) : m_stmt(stmt) {}
    ~ResultReader() { unbind(); }

    std::unique_ptr<ResultSet> read(SQLSMALLINT columnCount);

private:
    void describe(SQLSMALLINT columnCount, std::vector<FieldInfo> &fields);
    void appendBound(ResultSet &rs, int column, SQLULEN rows);
    void appendFetched(ResultSet &rs, int column, const char *element, SQLLEN indicator);
    void appendLong(ResultSet &rs, int column);
    void unbind();

    SQLHSTMT m_stmt;
    std::vector<ColumnReader> m_readers;
    bool m_bound = false;
    std::vector<SQLWCHAR> m_piece;
};

void ResultReader::describe(SQLSMALLINT columnCount, std::vector<FieldInfo> &fields)
{
    std::vector<SQLWCHAR> name(256);
    for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(columnCount); ++i) {
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLRETURN rc = SQLDescribeColW(m_stmt, i, name.data(), SQLSMALLINT(name.size()), &nameLength, &sqlType, &size, &digits, &nullable);
        if (odbcSucceeded(rc) && nameLength >= SQLSMALLINT(name.size())) {
            name.resize(std::size_t(nameLength) + 1);
            rc = SQLDescribeColW(m_stmt, i, name.data(), SQLSMALLINT(name.size()), &nameLength, &sqlType, &size, &digits, &nullable);
        }
        odbcCheck(rc, SQL_HANDLE_STMT, m_stmt, "SQLDescribeCol");
        FieldInfo f;
        f.name = odbcView(name.data(), nameLength).toString();
        ColumnReader r;
        classify(sqlType, size, digits, f, r);
        fields.push_back(std::move(f));
        m_readers.push_back(std::move(r));
    }
}

std::unique_ptr<ResultSet> ResultReader::read(SQLSMALLINT columnCount)
{
    std::vector<FieldInfo> fields;
    describe(columnCount, fields);
    auto rs = std::make_unique<ResultSet>(std::move(fields));

    // Columns before the first long one are bound; SQLGetData reads the rest,
    // which ODBC allows only one row at a time.
    std::size_t firstLong = m_readers.size();
    for (std::size_t i = 0; i < m_readers.size(); ++i)
        if (m_readers[i].binding == Binding::Long) {
            firstLong = i;
            break;
        }
    std::size_t rowBytes = 0;
    for (std::size_t i = 0; i < firstLong; ++i)
        rowBytes += std::size_t(m_readers[i].elementBytes) + sizeof(SQLLEN);
    SQLULEN blockRows = firstLong < m_readers.size() ? 1 : kBlockRows;
    if (rowBytes > 0)
        blockRows = std::max<SQLULEN>(1, std::min<SQLULEN>(blockRows, kMaxBlockBytes / rowBytes));

    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> status(blockRows);
    m_bound = true;
    odbcCheck(SQLSetStmtAttrW(m_stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
              SQL_HANDLE_STMT, m_stmt, "SQLSetStmtAttr");
    odbcCheck(SQLSetStmtAttrW(m_stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows), 0),
              SQL_HANDLE_STMT, m_stmt, "SQLSetStmtAttr");
    odbcCheck(SQLSetStmtAttrW(m_stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_HANDLE_STMT, m_stmt, "SQLSetStmtAttr");
    odbcCheck(SQLSetStmtAttrW(m_stmt, SQL_ATTR_ROW_STATUS_PTR, status.data(), 0), SQL_HANDLE_STMT, m_stmt, "SQLSetStmtAttr");
    for (std::size_t i = 0; i < firstLong; ++i) {
        ColumnReader &r = m_readers[i];
        r.bound = true;
        r.data.resize(std::size_t(r.elementBytes) * blockRows);
        r.indicators.resize(blockRows);
        odbcCheck(SQLBindCol(m_stmt, SQLUSMALLINT(i + 1), cTypeOf(r.binding), r.data.data(), r.elementBytes, r.indicators.data()),
                  SQL_HANDLE_STMT, m_stmt, "SQLBindCol");
    }
    for (std::size_t i = firstLong; i < m_readers.size(); ++i) {
        ColumnReader &r = m_readers[i];
        if (r.binding != Binding::Long) {
            r.data.resize(std::size_t(r.elementBytes));
            r.indicators.resize(1);
        }
    }

    for (;;) {
        fetched = 0;
        const SQLRETURN rc = SQLFetchScroll(m_stmt, SQL_FETCH_NEXT, 0);
        if (rc == SQL_NO_DATA)
            break;
        odbcCheck(rc, SQL_HANDLE_STMT, m_stmt, "SQLFetchScroll");
        for (SQLULEN row = 0; row < fetched; ++row)
            if (status[row] == SQL_ROW_ERROR)
                throw Error(odbcErrorText(odbcDiagnostics(SQL_HANDLE_STMT, m_stmt), QStringLiteral("A row could not be read")));
        for (std::size_t i = 0; i < firstLong; ++i)
            appendBound(*rs, int(i), fetched);
        for (std::size_t i = firstLong; i < m_readers.size(); ++i) {
            ColumnReader &r = m_readers[i];
            if (r.binding == Binding::Long) {
                appendLong(*rs, int(i));
                continue;
            }
            const SQLRETURN g = SQLGetData(m_stmt, SQLUSMALLINT(i + 1), cTypeOf(r.binding), r.data.data(), r.elementBytes, r.indicators.data());
            odbcCheck(g, SQL_HANDLE_STMT, m_stmt, "SQLGetData");
            appendFetched(*rs, int(i), r.data.data(), r.indicators[0]);
        }
    }
    unbind();
    return rs;
}

void ResultReader::appendBound(ResultSet &rs, int column, SQLULEN rows)
{
    const ColumnReader &r = m_readers[std::size_t(column)];
    const char *data = r.data.data();
    // The common kinds in tight loops; the rest value by value.
    switch (r.binding) {
    case Binding::Int64:
        for (SQLULEN row = 0; row < rows; ++row) {
            if (r.indicators[row] == SQL_NULL_DATA) {
                rs.appendNull(column);
                continue;
            }
            std::int64_t v;
            std::memcpy(&v, data + sizeof v * row, sizeof v);
            rs.appendInteger(column, v);
        }
        return;
    case Binding::DecimalText:
        for (SQLULEN row = 0; row < rows; ++row) {
            const SQLLEN indicator = r.indicators[row];
            if (indicator >= 0 && indicator < r.elementBytes)
                rs.appendDecimal(column, QLatin1StringView(data + std::size_t(r.elementBytes) * row, qsizetype(indicator)));
            else
                appendFetched(rs, column, data + std::size_t(r.elementBytes) * row, indicator);
        }
        return;
    default:
        for (SQLULEN row = 0; row < rows; ++row)
            appendFetched(rs, column, data + std::size_t(r.elementBytes) * row, r.indicators[row]);
        return;
    }
}

void ResultReader::appendFetched(ResultSet &rs, int column, const char *element, SQLLEN indicator)
{
    if (indicator == SQL_NULL_DATA) {
        rs.appendNull(column);
        return;
    }
    const ColumnReader &r = m_readers[std::size_t(column)];
    auto text = [&]() {
        const SQLLEN capacity = r.elementBytes - SQLLEN(sizeof(SQLWCHAR));
        if (indicator < 0 || indicator > capacity)
            throw Error(QStringLiteral("The value of field '%1' is longer than its declared size").arg(rs.field(column).name));
        return odbcView(reinterpret_cast<const SQLWCHAR *>(element), qsizetype(indicator) / qsizetype(sizeof(SQLWCHAR)));
    };
    switch (r.binding) {
    case Binding::Int64: {
        std::int64_t v;
        std::memcpy(&v, element, sizeof v);
        rs.appendInteger(column, v);
        return;
    }
    case Binding::Double: {
        double v;
        std::memcpy(&v, element, sizeof v);
        rs.appendFloat(column, v);
        return;
    }
    case Binding::DecimalText: {
        if (indicator < 0 || indicator >= r.elementBytes)
            throw Error(QStringLiteral("The value of field '%1' is longer than its declared size").arg(rs.field(column).name));
        rs.appendDecimal(column, QLatin1StringView(element, qsizetype(indicator)));
        return;
    }
    case Binding::Text:
        rs.appendText(column, text());
        return;
    case Binding::Timestamp: {
        SQL_TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, element, sizeof ts);
        const QDate date(ts.year, ts.month, ts.day);
        const QTime time(ts.hour, ts.minute, ts.second, int(ts.fraction / 1000000));
        if (!date.isValid() || !time.isValid())
            throw Error(QStringLiteral("Field '%1' holds an invalid date").arg(rs.field(column).name));
        rs.appendDateTime(column, QDateTime(date, time, Qt::UTC));
        return;
    }
    case Binding::TimeText: {
        bool ok = false;
        const QStringView value = text();
        const QTime time = parseTime(value, ok);
        if (!ok)
            throw Error(QStringLiteral("'%1' is not a valid time (field %2)").arg(value, rs.field(column).name));
        // A time of day alone stands on SQL Server's base date.
        rs.appendDateTime(column, QDateTime(QDate(1900, 1, 1), time, Qt::UTC));
        return;
    }
    case Binding::Long:
        break;
    }
}

void ResultReader::appendLong(ResultSet &rs, int column)
{
    if (m_piece.empty())
        m_piece.resize(std::size_t(kPieceChars) + 1);
    const SQLLEN capacityBytes = SQLLEN(m_piece.size() * sizeof(SQLWCHAR));
    const qsizetype pieceChars = qsizetype(m_piece.size()) - 1;
    QString value;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(m_stmt, SQLUSMALLINT(column + 1), SQL_C_WCHAR, m_piece.data(), capacityBytes, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        odbcCheck(rc, SQL_HANDLE_STMT, m_stmt, "SQLGetData");
        if (indicator == SQL_NULL_DATA) {
            rs.appendNull(column);
            return;
        }
        // A full piece leaves the rest for the next call; the last one is shorter.
        qsizetype chars = pieceChars;
        if (indicator != SQL_NO_TOTAL)
            chars = std::min<qsizetype>(chars, qsizetype(indicator) / qsizetype(sizeof(SQLWCHAR)));
        value.append(reinterpret_cast<const QChar *>(m_piece.data()), chars);
        if (rc == SQL_SUCCESS)
            break;
    }
    rs.appendText(column, value);
}

void ResultReader::unbind()
{
    if (!m_bound)
        return;
    m_bound = false;
    SQLFreeStmt(m_stmt, SQL_UNBIND);
    SQLSetStmtAttrW(m_stmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttrW(m_stmt, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttrW(m_stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
}

// Reads a result's remaining rows without keeping them, so that the next
// SQLMoreResults starts at a clean boundary.
void drainRows(SQLHSTMT stmt, QString &firstError)
{
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            return;
        if (!odbcSucceeded(rc)) {
            if (firstError.isEmpty())
                firstError = odbcErrorText(odbcDiagnostics(SQL_HANDLE_STMT, stmt), QStringLiteral("Reading a result failed"));
            return;
        }
    }
}

} // namespace

std::unique_ptr<ResultSet> odbcRunBatch(OdbcConnection &connection, const QString &sql, bool keepFirstRows)
{
    OdbcHandle stmt(SQL_HANDLE_STMT, connection.handle());
    SQLHSTMT h = stmt.get();
    std::unique_ptr<ResultSet> kept;
    QString firstError;
    // Notes the first error; true when the driver says the call was out of sequence.
    auto noteError = [&](const QString &fallback) {
        const QList<OdbcDiagnostic> records = odbcDiagnostics(SQL_HANDLE_STMT, h);
        if (firstError.isEmpty())
            firstError = odbcErrorText(records, fallback);
        for (const OdbcDiagnostic &d : records)
            if (d.state == QLatin1StringView("HY010"))
                return true;
        return false;
    };

    SQLRETURN rc = SQLExecDirectW(h, odbcText(sql), SQLINTEGER(sql.size()));
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE)
        noteError(QStringLiteral("The statement failed"));
    // An error in one statement does not stop the batch: walk through every
    // result so that the rest runs and the connection is left idle.
    int consecutiveErrors = rc == SQL_ERROR ? 1 : 0;
    for (;;) {
        if (odbcSucceeded(rc)) {
            SQLSMALLINT columns = 0;
            if (!odbcSucceeded(SQLNumResultCols(h, &columns)))
                columns = 0;
            if (columns > 0) {
                if (keepFirstRows && !kept) {
                    try {
                        kept = ResultReader(h).read(columns);
                    } catch (const Error &e) {
                        if (firstError.isEmpty())
                            firstError = e.message();
                        drainRows(h, firstError);
                    }
                } else {
                    drainRows(h, firstError);
                }
            }
        } else if (rc == SQL_ERROR && connection.isDead()) {
            break;
        }
        rc = SQLMoreResults(h);
        if (rc == SQL_NO_DATA)
            break;
        if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
            const bool outOfSequence = noteError(QStringLiteral("A statement of the batch failed"));
            // A driver that cannot move on any more keeps failing: stop then.
            if (outOfSequence || rc == SQL_INVALID_HANDLE || ++consecutiveErrors > 10000 || connection.isDead())
                break;
        } else {
            consecutiveErrors = 0;
        }
    }
    if (!firstError.isEmpty())
        throw Error(firstError);
    return kept;
}

} // namespace yorsabat::server
