#include "workbench/SharedQuery.h"

#include "server/Connection.h"
#include "server/Query.h"

namespace yorsabat::workbench {

ServerSharedQuery::ServerSharedQuery(server::Query &query, server::Connection &connection)
    : m_query(query)
    , m_connection(connection)
{
}

void ServerSharedQuery::execSql(const QString &sql)
{
    m_query.setSql(sql);
    m_query.execSql();
}

void ServerSharedQuery::open(const QString &sql)
{
    m_query.setSql(sql);
    m_query.open();
}

QString ServerSharedQuery::currentDatabase() const
{
    return m_connection.defaultDatabase();
}

} // namespace yorsabat::workbench
