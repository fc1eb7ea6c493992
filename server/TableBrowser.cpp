#include "TableBrowser.h"

#include "Connection.h"
#include "DatabaseList.h"
#include "Query.h"

namespace yorsabat::server {

QString quotedIdentifier(const QString &name)
{
    QString doubled = name;
    doubled.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QLatin1Char('[') + doubled + QLatin1Char(']');
}

QString useStatement(const QString &database)
{
    return QLatin1String("USE ") + quotedIdentifier(database);
}

QString tableListSql(const QString &filter)
{
    return QLatin1String("select name from sys.tables Where name Like '") + sqlLiteralText(filter)
           + QLatin1String("%'");
}

TableBrowser::TableBrowser(Connection &connection, Query &sharedQuery, Query &tableQuery,
                           const Controls &controls)
    : m_connection(connection), m_sharedQuery(sharedQuery), m_tableQuery(tableQuery), m_controls(controls)
{
}

void TableBrowser::CheckListBox1Click()
{
    CheckList &list = m_controls.list;
    for (int i = 0; i < list.count(); ++i) {
        if (!list.isChecked(i))
            continue;
        m_sharedQuery.setSql(useStatement(list.itemText(i)));
        m_sharedQuery.execSql();
        m_controls.status.setText(m_connection.defaultDatabase());
    }
    runTableList();
}

void TableBrowser::Edit9Change()
{
    runTableList();
}

void TableBrowser::DBGrid2DblClick()
{
    const int name = m_tableQuery.requireField(u"name");
    const ResultSet &tables = *m_tableQuery.result();
    const int row = m_controls.grid.currentRow();
    const QString table = row >= 0 && row < tables.rowCount() ? tables.asText(row, name) : QString();
    m_controls.editor.addLine(QLatin1String("SELECT * FROM ") + table + QLatin1Char(' '));
}

void TableBrowser::runTableList()
{
    m_tableQuery.setSql(tableListSql(m_controls.filter.text()));
    m_tableQuery.open();
}

} // namespace yorsabat::server
