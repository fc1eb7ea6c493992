#include "shell/PlainPorts.h"
#include "workbench/CannedQueries.h"

#include <QtTest>

using namespace yorsabat;
using namespace yorsabat::workbench;

namespace {
const QString kVoucherHead = QStringLiteral(
    " SELECT MUHHAREVRAKTAR,MUHHAREVRAKNO,MUHHARMUHKOD,MUHHARACIKLAMA,MUHHARBATIPI,MUHHARBELTUR,MUHHARTUTAR "
    "FROM MUHHAR WHERE MUHHARREFNO='");
const QString kVoucherTail = QStringLiteral(
    "' GROUP BY MUHHAREVRAKTAR,MUHHAREVRAKNO,MUHHARMUHKOD,MUHHARACIKLAMA,MUHHARBATIPI,MUHHARBELTUR,MUHHARTUTAR  "
    "ORDER BY MUHHAREVRAKNO,MUHHARBATIPI ");
}

class CannedQueriesTest : public QObject
{
    Q_OBJECT

private slots:
    void buttonsReplaceTheEditor_data();
    void buttonsReplaceTheEditor();
    void yearBoxIsReadAtThePress();
};

void CannedQueriesTest::buttonsReplaceTheEditor_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("expected");

    QTest::newRow("EDefter Şifre") << "EdefterSiff" << "2024"
        << "SELECT * FROM SABITLER WHERE SABITMODUL='22' AND SABITKONU>='38' ORDER BY SABITKONU ";
    QTest::newRow("EFatura şifre") << "efatsifre" << "2024"
        << "SELECT * FROM SABITLER WHERE SABITMODUL='25' AND SABITKONU>='40' ORDER BY SABITKONU ";
    QTest::newRow("FişAyrıştır") << "BitBtn2Click" << "2024" << kVoucherHead + "2024" + kVoucherTail;
    QTest::newRow("FişAyrıştır, text as typed") << "BitBtn2Click" << " Ş 12 " << kVoucherHead + " Ş 12 " + kVoucherTail;
    QTest::newRow("FişAyrıştır, empty") << "BitBtn2Click" << "" << kVoucherHead + kVoucherTail;
    QTest::newRow("FişAyrıştır, quotes doubled") << "BitBtn2Click" << "O'1''"
        << kVoucherHead + "O''1''''" + kVoucherTail;
}

void CannedQueriesTest::buttonsReplaceTheEditor()
{
    QFETCH(QString, button);
    QFETCH(QString, year);
    QFETCH(QString, expected);

    plain::Editor editor;
    editor.setText(QStringLiteral("previous\ntext"));
    plain::TextBox yearBox(year);
    CannedQueries canned(editor, yearBox);
    const auto press = [&] {
        if (button == QLatin1String("EdefterSiff"))
            canned.EdefterSiff();
        else if (button == QLatin1String("efatsifre"))
            canned.efatsifre();
        else
            canned.BitBtn2Click();
    };
    press();
    QCOMPARE(editor.lines, QStringList{expected});
    press(); // twice: still the one line
    QCOMPARE(editor.lines, QStringList{expected});
}

void CannedQueriesTest::yearBoxIsReadAtThePress()
{
    plain::Editor editor;
    plain::TextBox yearBox(QStringLiteral("2023"));
    CannedQueries canned(editor, yearBox);
    canned.BitBtn2Click();
    yearBox.value = QStringLiteral("2025");
    QCOMPARE(editor.text(), kVoucherHead + "2023" + kVoucherTail);
}

QTEST_GUILESS_MAIN(CannedQueriesTest)
#include "tst_cannedQueries.moc"
