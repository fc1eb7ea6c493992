#include "DatabaseList.h"

#include "Query.h"

namespace yorsabat::server {

QString sqlLiteralText(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return doubled;
}

QString databaseListSql(const QString &pattern, bool showMasterDatabases)
{
    static const QString head = QStringLiteral("SELECT name,filename FROM master.dbo.sysdatabases WHERE name like '");
    static const QString systemOnly = QStringLiteral("' and name NOT IN ('master','model','msdb','tempdb') ");
    static const QString withPackageMasters = QStringLiteral(
        "' and name NOT IN ('master','model','msdb','tempdb','VEZ_MASTERV8','VEZ_MASTER','VEZ_MASTERSB') ");
    return head + sqlLiteralText(pattern) + (showMasterDatabases ? systemOnly : withPackageMasters);
}

DatabaseList::DatabaseList(Query &listQuery, const Controls &controls)
    : m_query(listQuery), m_controls(controls)
{
}

void DatabaseList::fill()
{
    m_controls.busy.on();
    m_controls.list.clear();
    m_query.setSql(databaseListSql(m_controls.pattern.text(), m_controls.showMaster.isChecked()));
    m_query.open();

    const int name = m_query.requireField(u"name");
    const ResultSet &rows = *m_query.result();
    for (std::int64_t row = 0, count = rows.rowCount(); row < count; ++row)
        m_controls.list.addChecked(rows.asText(row, name));

    m_controls.busy.off();
    m_controls.status.setText(QString::number(m_controls.list.count()));
}

void DatabaseList::DEMBut1Click()
{
    fill();
}

} // namespace yorsabat::server
