#include "server/Odbc.h"

#include "shell/Error.h"

#include <vector>

namespace yorsabat::server {

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent)
    : m_type(type)
{
    const SQLRETURN rc = SQLAllocHandle(type, parent, &m_handle);
    if (!odbcSucceeded(rc)) {
        m_handle = SQL_NULL_HANDLE;
        QString detail;
        if (parent != SQL_NULL_HANDLE)
            detail = odbcErrorText(odbcDiagnostics(type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC, parent), {});
        throw Error(detail.isEmpty() ? QStringLiteral("The ODBC driver manager could not allocate a handle") : detail);
    }
}

OdbcHandle &OdbcHandle::operator=(OdbcHandle &&other) noexcept
{
    if (this != &other) {
        reset();
        m_type = other.m_type;
        m_handle = other.m_handle;
        other.m_handle = SQL_NULL_HANDLE;
    }
    return *this;
}

void OdbcHandle::reset()
{
    if (m_handle != SQL_NULL_HANDLE) {
        SQLFreeHandle(m_type, m_handle);
        m_handle = SQL_NULL_HANDLE;
    }
}

namespace {

// "[unixODBC][FreeTDS][SQL Server]Invalid object name 'X'." -> "Invalid object name 'X'."
QString withoutVendorPrefixes(QString text)
{
    while (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            break;
        text.remove(0, close + 1);
    }
    return text.trimmed();
}

} // namespace

QList<OdbcDiagnostic> odbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QList<OdbcDiagnostic> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    std::vector<SQLWCHAR> message(1024);
    for (SQLSMALLINT i = 1; i < 100; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, message.data(),
                                      SQLSMALLINT(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(std::size_t(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, i, state, &native, message.data(), SQLSMALLINT(message.size()), &length);
        }
        if (!odbcSucceeded(rc))
            break;
        OdbcDiagnostic d;
        d.state = odbcView(state, 5).toString();
        d.native = native;
        d.message = withoutVendorPrefixes(odbcView(message.data(), std::min<qsizetype>(length, qsizetype(message.size()) - 1)).toString());
        records.append(std::move(d));
    }
    return records;
}

QString odbcErrorText(const QList<OdbcDiagnostic> &records, const QString &fallback)
{
    QStringList errors, infos;
    for (const OdbcDiagnostic &d : records) {
        if (d.message.isEmpty())
            continue;
        QStringList &list = d.state.startsWith(QStringLiteral("01")) ? infos : errors;
        if (!list.contains(d.message))
            list.append(d.message);
    }
    if (!errors.isEmpty())
        return errors.join(u'\n');
    if (!infos.isEmpty())
        return infos.join(u'\n');
    return fallback;
}

void odbcCheck(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char *call)
{
    if (odbcSucceeded(rc) || rc == SQL_NO_DATA)
        return;
    throw Error(odbcErrorText(odbcDiagnostics(handleType, handle),
                              QStringLiteral("%1 failed (ODBC return code %2)").arg(QLatin1StringView(call)).arg(rc)));
}

QStringList odbcInstalledDrivers()
{
    QStringList drivers;
    SQLHENV env = SQL_NULL_HENV;
    if (!odbcSucceeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return drivers;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLWCHAR name[512];
    SQLWCHAR attributes[2048];
    SQLSMALLINT nameLength = 0, attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (odbcSucceeded(SQLDriversW(env, direction, name, SQLSMALLINT(std::size(name)), &nameLength, attributes,
                                     SQLSMALLINT(std::size(attributes)), &attributesLength))) {
        drivers.append(odbcView(name, std::min<qsizetype>(nameLength, qsizetype(std::size(name)) - 1)).toString());
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return drivers;
}

OdbcConnection::OdbcConnection()
    : m_env(SQL_HANDLE_ENV, SQL_NULL_HANDLE)
{
    odbcCheck(SQLSetEnvAttr(m_env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, m_env.get(), "SQLSetEnvAttr");
    m_dbc = OdbcHandle(SQL_HANDLE_DBC, m_env.get());
}

OdbcConnection::~OdbcConnection()
{
    if (m_connected)
        SQLDisconnect(m_dbc.get());
}

void OdbcConnection::connect(const QString &odbcConnectionString, int loginTimeoutSeconds)
{
    SQLHDBC dbc = m_dbc.get();
    odbcCheck(SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(loginTimeoutSeconds)), 0),
              SQL_HANDLE_DBC, dbc, "SQLSetConnectAttr");
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, odbcText(odbcConnectionString), SQLSMALLINT(odbcConnectionString.size()),
                                           out, SQLSMALLINT(std::size(out)), &outLength, SQL_DRIVER_NOPROMPT);
    if (!odbcSucceeded(rc))
        throw Error(odbcErrorText(odbcDiagnostics(SQL_HANDLE_DBC, dbc), QStringLiteral("The connection to the server failed")));
    m_connected = true;
}

QString OdbcConnection::currentCatalog() const
{
    if (!m_connected)
        return QString();
    SQLWCHAR buffer[512];
    SQLINTEGER length = 0;
    const SQLRETURN rc = SQLGetConnectAttrW(m_dbc.get(), SQL_ATTR_CURRENT_CATALOG, buffer, sizeof(buffer), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLINTEGER(sizeof(buffer))) {
        std::vector<SQLWCHAR> big(std::size_t(length) / sizeof(SQLWCHAR) + 1);
        odbcCheck(SQLGetConnectAttrW(m_dbc.get(), SQL_ATTR_CURRENT_CATALOG, big.data(), SQLINTEGER(big.size() * sizeof(SQLWCHAR)), &length),
                  SQL_HANDLE_DBC, m_dbc.get(), "SQLGetConnectAttr");
        return odbcView(big.data(), length / qsizetype(sizeof(SQLWCHAR))).toString();
    }
    odbcCheck(rc, SQL_HANDLE_DBC, m_dbc.get(), "SQLGetConnectAttr");
    return odbcView(buffer, std::max<SQLINTEGER>(0, length) / qsizetype(sizeof(SQLWCHAR))).toString();
}

bool OdbcConnection::isDead() const
{
    if (!m_connected)
        return true;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttrW(m_dbc.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return odbcSucceeded(rc) && dead == SQL_CD_TRUE;
}

} // namespace yorsabat::server
