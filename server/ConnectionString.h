#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <utility>

namespace yorsabat::server {

using ConnectionAttributes = QList<std::pair<QString, QString>>;

// The key/value pairs of an OLE DB connection string, in order, by the OLE DB
// rules: pairs separated by ";", "==" in a key for a literal "=", values
// trimmed, a value in single or double quotes taken literally (the quote
// doubled inside it). Raises yorsabat::Error naming the problem.
ConnectionAttributes parseOleDbConnectionString(QStringView text);

// A value as the OLE DB rules need it written: quoted when it holds ";" or
// starts with a quote or blank, plain otherwise.
QString quoteOleDbValue(const QString &value);

struct SqlServerAddress
{
    QString host;     // a name or an address; this machine is "127.0.0.1"
    QString instance; // named instance, empty for the default one
    int port = 0;     // 0: not given (the default instance's 1433, or the instance's port once resolved)
};

// An ODBC connection to SQL Server, ready to be written as a string.
struct OdbcConnectionSpec
{
    QString driver; // as registered with the driver manager
    SqlServerAddress server;
    ConnectionAttributes attributes; // everything but the driver and the server, in order

    bool isFreeTds() const;
    // A named instance's port must be resolved before (resolveInstancePort).
    // Raises yorsabat::Error for a value the driver cannot be given.
    QString toOdbcString() const;
};

// The driver to use of those registered: Microsoft's SQL Server driver 18 or
// 17 when present, else FreeTDS.
QString chooseSqlServerDriver(const QStringList &installedDrivers);

// Translates the tool's OLE DB connection string into an ODBC one for the
// chosen driver. Raises yorsabat::Error for a provider other than SQL
// Server's, a missing or malformed Data Source, or a string that cannot be parsed.
OdbcConnectionSpec translateConnectionString(QStringView oleDb, const QStringList &installedDrivers);

} // namespace yorsabat::server
