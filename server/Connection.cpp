#include "server/Connection.h"

#include "server/BrowserResolver.h"
#include "server/ConnectionString.h"
#include "server/Odbc.h"
#include "shell/Error.h"

namespace yorsabat::server {

namespace {
constexpr int kLoginTimeoutSeconds = 1;
}

struct Connection::Private
{
    QString connectionString;
    std::unique_ptr<OdbcConnection> odbc;
    std::function<void()> afterConnect;
};

Connection::Connection()
    : d(std::make_unique<Private>())
{
}

Connection::~Connection() = default;

void Connection::setConnectionString(const QString &connectionString)
{
    if (d->odbc)
        throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    d->connectionString = connectionString;
}

QString Connection::connectionString() const
{
    return d->connectionString;
}

void Connection::open()
{
    if (d->odbc)
        return;
    OdbcConnectionSpec odbcTarget = translateConnectionString(d->connectionString, odbcInstalledDrivers());
    // The driver's own instance lookup would ignore the login timeout.
    if (!odbcTarget.server.instance.isEmpty() && odbcTarget.server.port == 0)
        odbcTarget.server.port = resolveInstancePort(odbcTarget.server.host, odbcTarget.server.instance, kLoginTimeoutSeconds * 1000);
    auto odbc = std::make_unique<OdbcConnection>();
    odbc->connect(odbcTarget.toOdbcString(), kLoginTimeoutSeconds);
    d->odbc = std::move(odbc);
    if (d->afterConnect)
        d->afterConnect();
}

void Connection::close()
{
    d->odbc.reset();
}

bool Connection::isOpen() const
{
    return d->odbc != nullptr;
}

QString Connection::defaultDatabase() const
{
    return d->odbc ? d->odbc->currentCatalog() : QString();
}

void Connection::setAfterConnect(std::function<void()> step)
{
    d->afterConnect = std::move(step);
}

OdbcConnection &Connection::ensureOpen()
{
    open();
    return *d->odbc;
}

void Connection::closeIfDead()
{
    if (d->odbc && d->odbc->isDead())
        close();
}

} // namespace yorsabat::server
