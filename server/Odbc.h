#pragma once

// A thin layer over the ODBC API: owned handles, diagnostics as text, and the
// connection handle pair that Connection opens. Only the data layer includes it.

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace yorsabat::server {

// One ODBC handle, freed when the object goes.
class OdbcHandle
{
public:
    OdbcHandle() = default;
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent); // raises yorsabat::Error when allocation fails
    ~OdbcHandle() { reset(); }
    OdbcHandle(OdbcHandle &&other) noexcept : m_type(other.m_type), m_handle(other.m_handle) { other.m_handle = SQL_NULL_HANDLE; }
    OdbcHandle &operator=(OdbcHandle &&other) noexcept;
    OdbcHandle(const OdbcHandle &) = delete;
    OdbcHandle &operator=(const OdbcHandle &) = delete;

    SQLHANDLE get() const { return m_handle; }
    SQLSMALLINT type() const { return m_type; }
    explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }
    void reset();

private:
    SQLSMALLINT m_type = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

struct OdbcDiagnostic
{
    QString state;   // SQLSTATE, e.g. "42S02"
    SQLINTEGER native = 0;
    QString message; // the driver's text without its "[vendor][component]" prefixes
};

// Every diagnostic record the last call on that handle left.
QList<OdbcDiagnostic> odbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// The error text of those records: the error records' messages, one a line
// (informational "01..." records only when there is nothing else).
QString odbcErrorText(const QList<OdbcDiagnostic> &records, const QString &fallback);

// Raises yorsabat::Error with the handle's diagnostics when rc is an error.
void odbcCheck(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char *call);

inline bool odbcSucceeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// UTF-16 text to and from SQLWCHAR, which is 16 bits under unixODBC and Windows.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the data layer needs a 16-bit SQLWCHAR");
inline SQLWCHAR *odbcText(const QString &text) { return reinterpret_cast<SQLWCHAR *>(const_cast<QChar *>(text.constData())); }
inline QStringView odbcView(const SQLWCHAR *text, qsizetype length)
{
    return QStringView(reinterpret_cast<const char16_t *>(text), length);
}

// Names of the drivers registered with the driver manager.
QStringList odbcInstalledDrivers();

// The environment and connection handles of one open connection.
class OdbcConnection
{
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    // Connects with no prompt and the given login timeout; raises
    // yorsabat::Error with the driver's message when that fails.
    void connect(const QString &odbcConnectionString, int loginTimeoutSeconds);

    SQLHDBC handle() const { return m_dbc.get(); }
    // The current database as the driver knows it, without a round trip.
    QString currentCatalog() const;
    // True when the driver reports the link to the server lost.
    bool isDead() const;

private:
    OdbcHandle m_env;
    OdbcHandle m_dbc;
    bool m_connected = false;
};

} // namespace yorsabat::server
