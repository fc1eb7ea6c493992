#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

namespace yorsabat::server {

class Query;

// A read-only table model over a query's open result: no item or widget per
// cell, rows are read from the stored result as the view paints them. It
// follows the query: every open or close of its result resets the model.
class QueryTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString fieldName; // found in the result by name; missing: empty cells
        QString caption;   // header; empty: the field name
    };

    // Every column of the result, in result order, headed by the field name.
    explicit QueryTableModel(Query &query, QObject *parent = nullptr);
    // A fixed list of columns, found by field name in whatever result is open.
    QueryTableModel(Query &query, QList<Column> columns, QObject *parent = nullptr);
    ~QueryTableModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace yorsabat::server
