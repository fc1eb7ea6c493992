#include "server/Query.h"

#include "server/Connection.h"
#include "server/OdbcBatch.h"
#include "shell/Error.h"

namespace yorsabat::server {

struct Query::Private
{
    Connection &connection;
    QString name;
    QString sql;
    std::unique_ptr<ResultSet> result;
};

Query::Query(Connection &connection, QString name, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(Private{connection, std::move(name), {}, {}}))
{
}

Query::~Query() = default;

QString Query::name() const
{
    return d->name;
}

void Query::setSql(const QString &text)
{
    close();
    d->sql = text;
}

QString Query::sql() const
{
    return d->sql;
}

std::unique_ptr<ResultSet> Query::run(bool keepRows)
{
    // Nothing to send: refused here rather than by the server.
    if (d->sql.trimmed().isEmpty())
        throw Error(QStringLiteral("%1: CommandText is empty").arg(d->name));
    OdbcConnection &odbc = d->connection.ensureOpen();
    try {
        return odbcRunBatch(odbc, d->sql, keepRows);
    } catch (const Error &) {
        d->connection.closeIfDead();
        throw;
    }
}

void Query::execSql()
{
    close();
    run(false);
}

void Query::open()
{
    close();
    std::unique_ptr<ResultSet> result = run(true);
    if (!result)
        throw Error(QStringLiteral("%1: CommandText does not return a result set").arg(d->name));
    d->result = std::move(result);
    emit resultChanged();
}

void Query::adoptResult(std::unique_ptr<ResultSet> result)
{
    close();
    if (!result)
        return;
    d->result = std::move(result);
    emit resultChanged();
}

void Query::close()
{
    if (!d->result)
        return;
    d->result.reset();
    emit resultChanged();
}

bool Query::isOpen() const
{
    return d->result != nullptr;
}

const ResultSet *Query::result() const
{
    return d->result.get();
}

int Query::requireField(QStringView field) const
{
    const int index = d->result ? d->result->fieldIndex(field) : -1;
    if (index < 0)
        throw Error(QStringLiteral("%1: Field '%2' not found.").arg(d->name, field));
    return index;
}

} // namespace yorsabat::server
