#pragma once

#include "ResultSet.h"

#include <QObject>
#include <QString>

#include <memory>

namespace yorsabat::server {

class Connection;

// A query object on the shared connection (ADOQuery1, ADOQuery2, ADOQuery3,
// ADOQuery11). It holds one SQL text and at most one open result, which it
// keeps wholly in memory: the connection carries one active statement at a
// time, so the result is read to its end before open() returns.
class Query : public QObject
{
    Q_OBJECT
public:
    Query(Connection &connection, QString name, QObject *parent = nullptr);
    ~Query() override;

    QString name() const;

    // Stores the text; closes the open result first (also for the same text).
    void setSql(const QString &text);
    QString sql() const;

    // Sends the whole text as one batch and reads through all its results,
    // discarding rows. An error of any statement is raised after the batch
    // has been drained. An empty text is refused before anything is sent.
    void execSql();

    // Sends the whole text as one batch and keeps the first result that has
    // columns, passing over those without. None: the batch runs, then
    // "<name>: CommandText does not return a result set" is raised.
    void open();

    void close();
    bool isOpen() const;

    // The open result, or null when none is open. Valid until the next
    // setSql / execSql / open / close of this query.
    const ResultSet *result() const;

    // Holds a result built elsewhere (tests, demos) as the open result,
    // closing the one open before.
    void adoptResult(std::unique_ptr<ResultSet> result);

    // Column index of a field of the open result, or the error
    // "<name>: Field '<field>' not found." (also when nothing is open).
    int requireField(QStringView field) const;

signals:
    // Emitted after a result was opened or closed; views reset themselves.
    void resultChanged();

private:
    std::unique_ptr<ResultSet> run(bool keepRows);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace yorsabat::server
