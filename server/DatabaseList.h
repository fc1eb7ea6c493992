#pragma once

#include "shell/Ports.h"

#include <QString>

namespace yorsabat::server {

class Query;

// The text inside a T-SQL string literal: every single quote doubled, so a
// quote in a pattern matches a quote; "%" and "_" stay LIKE wildcards.
QString sqlLiteralText(const QString &text);

// The database list query for a name pattern. Without the master box the
// package's own master databases are left out by their exact names.
QString databaseListSql(const QString &pattern, bool showMasterDatabases);

// The database list CheckListBox1, filled from master.dbo.sysdatabases
// through ADOQuery2 with the names that match the pattern box.
class DatabaseList
{
public:
    struct Controls
    {
        CheckList &list;      // CheckListBox1
        TextBox &pattern;     // Edit8
        Toggle &showMaster;   // CheckBox1
        BusyCursor &busy;
        StatusLine &status;   // StatusBar1
    };

    DatabaseList(Query &listQuery, const Controls &controls);

    // Empties the list, adds every matching database checked, in the order
    // the server returns them, and writes the item count to the status line.
    // A failing query leaves the list empty and the status line unchanged.
    void fill();

    // The "+" button: the fill alone.
    void DEMBut1Click();

private:
    Query &m_query;
    Controls m_controls;
};

} // namespace yorsabat::server
