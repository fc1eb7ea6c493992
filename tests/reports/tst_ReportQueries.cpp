#include "reports/ReportQueries.h"

#include <QTest>

using yorsabat::reports::detailedReportQuery;
using yorsabat::reports::summaryReportQuery;

class ReportQueriesTest : public QObject
{
    Q_OBJECT

private slots:
    void detailedIsNinePartsAroundTheYear_data();
    void detailedIsNinePartsAroundTheYear();
    void summaryWrapsTheDetailedText_data() { detailedIsNinePartsAroundTheYear_data(); }
    void summaryWrapsTheDetailedText();
    void quoteInYearStaysInsideTheLiteral();
};

void ReportQueriesTest::detailedIsNinePartsAroundTheYear_data()
{
    QTest::addColumn<QString>("year");
    QTest::newRow("2024") << u"2024"_qs;
    QTest::newRow("empty") << QString();
    QTest::newRow("wildcard") << u"%"_qs;
    QTest::newRow("pattern") << u"20_4 "_qs; // wildcards and blanks go in untouched
}

void ReportQueriesTest::detailedIsNinePartsAroundTheYear()
{
    QFETCH(QString, year);
    const QString text = detailedReportQuery(year);
    const qsizetype y = year.size();
    QCOMPARE(text.size(), 403 + 730 + 734 + 914 + 4 + 4 * y);

    const QString blanks(307, u' ');
    const QString like = u"DMHYIL LIKE '"_qs;
    // Quarter n's part, its year, the next part's lead (quote, blanks, UNION, 307 blanks).
    struct Part { qsizetype length; QString lead; QString quarter; };
    const Part parts[] = {
        {403, QString(), u"'1' AS DONEM,DMHDUZONCAKTIF1,0 AS DMHDUZSONAKTIF1,"_qs},
        {730, u"'  UNION"_qs + blanks, u"'2' AS DONEM,0 AS DMHDUZONCAKTIF2,0 AS DMHDUZSONAKTIF2,"_qs},
        {734, u"'      UNION"_qs + blanks, u"'3' AS DONEM,0 AS DMHDUZONCAKTIF3,"_qs},
        {914, u"'    UNION"_qs + blanks, u"(DMHDUZONCBIRIK4+DMHBIRIKFARK4+DMHAYRILAN4) AS TOPBIRAMORT,"_qs},
    };
    qsizetype at = 0;
    for (const Part &part : parts) {
        const QString piece = text.mid(at, part.length);
        QVERIFY2(piece.startsWith(part.lead + u"SELECT DMKKOD,DMKCINSI,"_qs), qPrintable(piece.left(330)));
        QVERIFY2(piece.endsWith(u"DMKCIKISFLAG=0 AND DMHKKEGFLAG=0 AND "_qs + like), qPrintable(piece.right(60)));
        QVERIFY(piece.contains(part.quarter));
        QVERIFY(piece.contains(u"TOPAKTIFDEGER  FROM DEMKART JOIN DEMHAR ON DMHDEMKOD=DMKKOD"_qs));
        QCOMPARE(text.mid(at + part.length, y), year);
        at += part.length + y;
    }
    QCOMPARE(text.mid(at), u"'   "_qs);
    QCOMPARE(text.count(like + year + u'\''), 4);
    QCOMPARE(text.count(u" UNION "_qs), 3); // UNION, not UNION ALL: duplicates fold
    QVERIFY(!text.contains(u"ORDER BY"_qs));
    QCOMPARE(detailedReportQuery(year), text);
}

void ReportQueriesTest::summaryWrapsTheDetailedText()
{
    QFETCH(QString, year);
    const QString detailed = detailedReportQuery(year);
    const QString text = summaryReportQuery(year);
    QCOMPARE(text.size(), 590 + detailed.size() + 121);

    const QString head = text.left(590);
    QVERIFY(head.startsWith(u"SELECT D.DMKKOD,D.DMKCINSI,"_qs));
    QVERIFY(head.contains(u"DMHYIL,'0' AS DONEM,SUM(D.DMHDUZONCAKTIF1)AS DMHDUZONCAKTIF1,"_qs));
    QVERIFY(head.endsWith(u"SUM(D.TOPAKTIFDEGER) AS TOPAKTIFDEGER  FROM  ("_qs));
    QCOMPARE(text.mid(590, detailed.size()), detailed);
    QCOMPARE(text.right(121),
             u") AS D  GROUP BY D.DMKKOD,D.DMKCINSI,D.DMKAMORTYUZDE,D.DMKGIRTARIH,D.DMKGIRTUTAR,"
             "D.DMKAMORTSURE,D.DMKAMORTBITIS,D.DMHYIL "_qs);
    QCOMPARE(summaryReportQuery(year), text);
}

void ReportQueriesTest::quoteInYearStaysInsideTheLiteral()
{
    // Without doubling, "2024' OR '1'='1" would end the literal and run as SQL.
    const QString year = u"2024' OR '1'='1"_qs;
    const QString text = detailedReportQuery(year);
    QCOMPARE(text.count(u"DMHYIL LIKE '2024'' OR ''1''=''1'"_qs), 4);
    QCOMPARE(text.size(), 2785 + 4 * (year.size() + 4)); // four quotes, each doubled
    QCOMPARE(text.count(u'\''), detailedReportQuery(u"2024"_qs).count(u'\'') + 4 * 8);
    QVERIFY(summaryReportQuery(year).contains(text));
}

QTEST_GUILESS_MAIN(ReportQueriesTest)
#include "tst_ReportQueries.moc"
