#include "server/QueryTableModel.h"

#include "server/Query.h"
#include "server/ResultSet.h"

#include <QPointer>

#include <limits>
#include <vector>

namespace yorsabat::server {

struct QueryTableModel::Private
{
    QPointer<Query> query;
    bool allColumns = true;
    QList<Column> columns;
    std::vector<int> fieldOf; // result column of each model column; -1: not in the result

    const ResultSet *result() const { return query ? query->result() : nullptr; }
};

QueryTableModel::QueryTableModel(Query &query, QObject *parent)
    : QueryTableModel(query, {}, parent)
{
}

QueryTableModel::QueryTableModel(Query &query, QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent)
    , d(std::make_unique<Private>())
{
    d->query = &query;
    d->allColumns = columns.isEmpty();
    d->columns = std::move(columns);
    auto follow = [this] {
        beginResetModel();
        const ResultSet *rs = d->result();
        if (d->allColumns) {
            d->columns.clear();
            d->fieldOf.clear();
            for (int i = 0; rs && i < rs->fieldCount(); ++i) {
                d->columns.append({rs->field(i).name, {}});
                d->fieldOf.push_back(i);
            }
        } else {
            d->fieldOf.assign(std::size_t(d->columns.size()), -1);
            for (qsizetype i = 0; rs && i < d->columns.size(); ++i)
                d->fieldOf[std::size_t(i)] = rs->fieldIndex(d->columns[i].fieldName);
        }
        endResetModel();
    };
    connect(&query, &Query::resultChanged, this, follow);
    connect(&query, &QObject::destroyed, this, [this, follow] {
        d->query = nullptr; // its result went with it
        follow();
    });
    follow();
}

QueryTableModel::~QueryTableModel() = default;

int QueryTableModel::rowCount(const QModelIndex &parent) const
{
    const ResultSet *rs = d->result();
    if (parent.isValid() || !rs)
        return 0;
    return int(std::min<std::int64_t>(rs->rowCount(), std::numeric_limits<int>::max()));
}

int QueryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(d->columns.size());
}

QVariant QueryTableModel::data(const QModelIndex &index, int role) const
{
    const ResultSet *rs = d->result();
    if (!rs || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int field = d->fieldOf[std::size_t(index.column())];
    if (field < 0 || field >= rs->fieldCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        // Dates as the users' Turkish desktops write them; the time only when
        // there is one (entry dates are whole days).
        if (rs->field(field).type == FieldType::DateTime && !rs->isNull(index.row(), field)) {
            const QDateTime value = rs->asDateTime(index.row(), field);
            return value.time() == QTime(0, 0) ? value.toString(QStringLiteral("dd.MM.yyyy"))
                                                : value.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
        }
        return rs->asText(index.row(), field);
    case Qt::EditRole:
        return rs->asText(index.row(), field);
    case Qt::TextAlignmentRole: {
        const FieldType type = rs->field(field).type;
        const bool number = type == FieldType::Integer || type == FieldType::Float || type == FieldType::Decimal;
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const Column &c = d->columns[section];
    return c.caption.isEmpty() ? c.fieldName : c.caption;
}

} // namespace yorsabat::server
