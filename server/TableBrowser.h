#pragma once

#include "shell/Ports.h"

#include <QString>

namespace yorsabat::server {

class Connection;
class Query;

// A database name as a T-SQL identifier: in brackets, "]" doubled, so names
// with blanks or other special characters can be switched to.
QString quotedIdentifier(const QString &name);

// "USE [name]".
QString useStatement(const QString &database);

// The table list query: tables of the current database whose names begin
// with the filter ("%" and "_" act as wildcards, a quote matches a quote).
QString tableListSql(const QString &filter);

// The table grid DBGrid2's current row: the row the data set stands on,
// -1 when it has none.
class GridCursor
{
public:
    virtual ~GridCursor() = default;
    virtual int currentRow() const = 0;
};

// The table browser: the database list's click switches to each checked
// database in turn, the table grid lists the current database's tables
// (ADOQuery3) under the filter box, and a double-click on a table puts a
// query on it into the editor.
class TableBrowser
{
public:
    struct Controls
    {
        CheckList &list;    // CheckListBox1
        TextBox &filter;    // Edit9
        Editor &editor;     // Memo1
        GridCursor &grid;   // DBGrid2
        StatusLine &status; // StatusBar1
    };

    TableBrowser(Connection &connection, Query &sharedQuery, Query &tableQuery, const Controls &controls);

    // "USE" for every checked item in list order through the shared query,
    // the status line showing the current database after each; then the
    // table list. A failing USE ends the click before the table list runs.
    void CheckListBox1Click();
    // Every change of the filter box runs the table list again.
    void Edit9Change();
    // Appends "SELECT * FROM <name> " as the editor's new last line. Before
    // any table list ran there is no "name" field and this raises.
    void DBGrid2DblClick();

private:
    void runTableList();

    Connection &m_connection;
    Query &m_sharedQuery;
    Query &m_tableQuery;
    Controls m_controls;
};

} // namespace yorsabat::server
