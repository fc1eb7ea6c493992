#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace yorsabat::server {

class OdbcConnection; // the ODBC handles behind it

// The shared connection ADOConnection1 to the SQL Server instance. It holds
// the connection string in the data-access layer's OLE DB form
// ("Provider=SQLOLEDB.1;...;User ID=..;Password=..;Data Source=..") and
// translates it to an ODBC connection string when it opens.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Only while closed; while open it raises yorsabat::Error.
    void setConnectionString(const QString &connectionString);
    QString connectionString() const;

    // Connected := true. Does nothing when already open. One-second login
    // timeout, no prompt; on success runs the after-connect step.
    void open();
    // Connected := false.
    void close();
    bool isOpen() const;

    // The current database as the driver knows it (follows every USE).
    QString defaultDatabase() const;

    // Runs each time the connection opens, by open() or by a statement's
    // automatic open. An error it raises leaves the connection open.
    void setAfterConnect(std::function<void()> step);

    // For Query: opens first when closed, then hands out the live handles.
    OdbcConnection &ensureOpen();

    // After a failed statement: closes the connection when the driver reports
    // it lost, so that the next statement opens it again.
    void closeIfDead();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace yorsabat::server
