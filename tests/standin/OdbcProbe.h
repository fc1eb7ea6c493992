#pragma once

// A bare ODBC client over FreeTDS for the stand-in's protocol tests: runs one batch and
// collects every result, row count and message the driver reports.

#include <QList>
#include <QString>
#include <QStringList>

#include <sql.h>
#include <sqlext.h>

namespace yorsabat::testing {

struct OdbcColumn
{
    QString name;
    int sqlType = 0;
    qulonglong size = 0;
    int digits = 0;
};

struct OdbcMessage
{
    QString state;
    int native = 0;
    QString text;
};

struct OdbcResult
{
    QList<OdbcColumn> columns; // empty: a row count only
    QList<QStringList> rows;   // values as text; a null QString is NULL
    qlonglong rowCount = -1;
};

struct OdbcBatch
{
    bool ok = false; // every step succeeded
    QList<OdbcResult> results;
    QList<OdbcMessage> messages;

    bool hasMessage(int native) const
    {
        for (const auto &m : messages)
            if (m.native == native)
                return true;
        return false;
    }
    QString messageText(int native) const
    {
        for (const auto &m : messages)
            if (m.native == native)
                return m.text;
        return {};
    }
    // The results that have columns, in order.
    QList<OdbcResult> resultSets() const
    {
        QList<OdbcResult> out;
        for (const auto &r : results)
            if (!r.columns.isEmpty())
                out.append(r);
        return out;
    }
};

class OdbcProbe
{
public:
    OdbcProbe()
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
    }
    ~OdbcProbe()
    {
        if (m_connected)
            SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    OdbcProbe(const OdbcProbe &) = delete;
    OdbcProbe &operator=(const OdbcProbe &) = delete;

    bool connect(const QString &connectionString)
    {
        SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
        QByteArray text = connectionString.toUtf8();
        SQLRETURN rc = SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR *>(text.data()),
                                        SQLSMALLINT(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        m_connected = SQL_SUCCEEDED(rc);
        m_connectMessages = diagnostics(SQL_HANDLE_DBC, m_dbc);
        return m_connected;
    }
    QList<OdbcMessage> connectMessages() const { return m_connectMessages; }
    QString connectError() const
    {
        QStringList texts;
        for (const auto &m : m_connectMessages)
            texts.append(m.text);
        return texts.join(QLatin1Char('\n'));
    }

    // Runs text as one batch (SQLExecDirectW) and walks every result with SQLMoreResults.
    OdbcBatch run(const QString &text)
    {
        OdbcBatch batch;
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
        std::u16string wide = text.toStdU16String();
        SQLRETURN rc = SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR *>(wide.data()), SQLINTEGER(wide.size()));
        batch.ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA; // no data: nothing but statements without counts
        batch.messages += diagnostics(SQL_HANDLE_STMT, stmt);
        if (rc == SQL_NO_DATA) {
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
            return batch;
        }
        if (rc == SQL_ERROR) {
            // A failing first statement: later results may still follow.
            rc = SQLMoreResults(stmt);
            batch.messages += diagnostics(SQL_HANDLE_STMT, stmt);
            if (!SQL_SUCCEEDED(rc)) {
                SQLFreeHandle(SQL_HANDLE_STMT, stmt);
                return batch;
            }
        }
        for (;;) {
            OdbcResult result;
            SQLSMALLINT columns = 0;
            SQLNumResultCols(stmt, &columns);
            SQLLEN count = -1;
            SQLRowCount(stmt, &count);
            result.rowCount = count;
            for (SQLUSMALLINT c = 1; c <= columns; ++c) {
                SQLWCHAR name[256];
                SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
                SQLULEN size = 0;
                SQLDescribeColW(stmt, c, name, 256, &nameLength, &type, &size, &digits, &nullable);
                result.columns.append(OdbcColumn{QString::fromUtf16(reinterpret_cast<const char16_t *>(name), nameLength),
                                                 type, size, digits});
            }
            if (columns > 0) {
                while ((rc = SQLFetch(stmt)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
                    QStringList row;
                    for (SQLUSMALLINT c = 1; c <= columns; ++c)
                        row.append(textOf(stmt, c));
                    result.rows.append(row);
                }
                if (rc != SQL_NO_DATA) {
                    batch.ok = false;
                    batch.messages += diagnostics(SQL_HANDLE_STMT, stmt);
                }
            }
            batch.results.append(result);
            rc = SQLMoreResults(stmt);
            batch.messages += diagnostics(SQL_HANDLE_STMT, stmt);
            if (rc == SQL_NO_DATA)
                break;
            if (rc == SQL_ERROR) {
                batch.ok = false;
                rc = SQLMoreResults(stmt); // drain what follows an error
                batch.messages += diagnostics(SQL_HANDLE_STMT, stmt);
                if (!SQL_SUCCEEDED(rc))
                    break;
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return batch;
    }

    QString currentCatalog()
    {
        SQLWCHAR buffer[256];
        SQLINTEGER length = 0;
        if (!SQL_SUCCEEDED(SQLGetConnectAttrW(m_dbc, SQL_ATTR_CURRENT_CATALOG, buffer, sizeof buffer, &length)))
            return {};
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), length / qsizetype(sizeof(SQLWCHAR)));
    }

    SQLHDBC handle() const { return m_dbc; }

    static QString textOf(SQLHSTMT stmt, SQLUSMALLINT column)
    {
        std::u16string value;
        SQLWCHAR buffer[2048];
        for (;;) {
            SQLLEN indicator = 0;
            SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            if (rc == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(rc))
                return QStringLiteral("<error>");
            if (indicator == SQL_NULL_DATA)
                return QString();
            const qsizetype units = (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer))
                                        ? qsizetype(sizeof buffer / sizeof(SQLWCHAR)) - 1
                                        : qsizetype(indicator / SQLLEN(sizeof(SQLWCHAR)));
            value.append(reinterpret_cast<const char16_t *>(buffer), size_t(units));
            if (rc == SQL_SUCCESS)
                break;
        }
        return QString::fromStdU16String(value).isNull() ? QString(QLatin1String("")) : QString::fromStdU16String(value);
    }

    static QList<OdbcMessage> diagnostics(SQLSMALLINT type, SQLHANDLE handle)
    {
        QList<OdbcMessage> out;
        SQLWCHAR state[6], message[2048];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        for (SQLSMALLINT i = 1;
             SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, i, state, &native, message, 2048, &length)); ++i)
            out.append(OdbcMessage{QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5), int(native),
                                   QString::fromUtf16(reinterpret_cast<const char16_t *>(message), length)});
        return out;
    }

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
    QList<OdbcMessage> m_connectMessages;
};

} // namespace yorsabat::testing
