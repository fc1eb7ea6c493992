#pragma once

#include <QString>

namespace yorsabat::server {
class Connection;
class Query;
}

namespace yorsabat::workbench {

// The shared query ADOQuery1 as the workbench uses it: each call sets its
// text (closing any open result) and runs it.
class SharedQuery
{
public:
    virtual ~SharedQuery() = default;
    virtual void execSql(const QString &sql) = 0; // rows are discarded
    virtual void open(const QString &sql) = 0;    // keeps the first rowset
    virtual QString currentDatabase() const = 0;
};

// Over the data layer's query and its connection.
class ServerSharedQuery : public SharedQuery
{
public:
    ServerSharedQuery(server::Query &query, server::Connection &connection);

    void execSql(const QString &sql) override;
    void open(const QString &sql) override;
    QString currentDatabase() const override;

private:
    server::Query &m_query;
    server::Connection &m_connection;
};

} // namespace yorsabat::workbench
