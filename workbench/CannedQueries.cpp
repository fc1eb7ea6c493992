#include "workbench/CannedQueries.h"

#include "shell/Ports.h"

namespace yorsabat::workbench {

QString eDefterQuery()
{
    return QStringLiteral("SELECT * FROM SABITLER WHERE SABITMODUL='22' AND SABITKONU>='38' ORDER BY SABITKONU ");
}

QString eFaturaQuery()
{
    return QStringLiteral("SELECT * FROM SABITLER WHERE SABITMODUL='25' AND SABITKONU>='40' ORDER BY SABITKONU ");
}

QString voucherBreakdownQuery(const QString &referenceNumber)
{
    QString literal = referenceNumber;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    return QStringLiteral(" SELECT MUHHAREVRAKTAR,MUHHAREVRAKNO,MUHHARMUHKOD,MUHHARACIKLAMA,MUHHARBATIPI,"
                          "MUHHARBELTUR,MUHHARTUTAR FROM MUHHAR WHERE MUHHARREFNO='")
        + literal
        + QStringLiteral("' GROUP BY MUHHAREVRAKTAR,MUHHAREVRAKNO,MUHHARMUHKOD,MUHHARACIKLAMA,MUHHARBATIPI,"
                         "MUHHARBELTUR,MUHHARTUTAR  ORDER BY MUHHAREVRAKNO,MUHHARBATIPI ");
}

CannedQueries::CannedQueries(Editor &editor, TextBox &yearBox)
    : m_editor(editor)
    , m_yearBox(yearBox)
{
}

void CannedQueries::EdefterSiff()
{
    put(eDefterQuery());
}

void CannedQueries::efatsifre()
{
    put(eFaturaQuery());
}

void CannedQueries::BitBtn2Click()
{
    put(voucherBreakdownQuery(m_yearBox.text()));
}

void CannedQueries::put(const QString &line)
{
    m_editor.clear();
    m_editor.addLine(line);
}

} // namespace yorsabat::workbench
