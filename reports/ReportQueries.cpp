#include "reports/ReportQueries.h"

#include <QStringView>

namespace yorsabat::reports {
namespace {

// The texts are kept exactly as the reports have always sent them, blanks
// included: users save and compare them as scripts.
constexpr QStringView quarter1 =
    u"SELECT DMKKOD,DMKCINSI,DMKAMORTYUZDE,DMKGIRTARIH,DMKGIRTUTAR,DMKAMORTSURE,DMKAMORTBITIS,DMHYIL,"
    u"'1' AS DONEM,DMHDUZONCAKTIF1,0 AS DMHDUZSONAKTIF1,DMHAKTIFFARK1,DMHDEGARTFON1,DMHDUZONCBIRIK1,"
    u"0 AS DMHDUZSONBIRIK1,DMHBIRIKFARK1,DMHAYRILAN1,DMHAMORTORAN1,DMHDUZKATSAYI1,0 AS TOPBIRAMORT,"
    u"0 AS TOPAKTIFDEGER  FROM DEMKART JOIN DEMHAR ON DMHDEMKOD=DMKKOD WHERE DMKCIKISFLAG=0 AND "
    u"DMHKKEGFLAG=0 AND DMHYIL LIKE '";

constexpr QStringView quarter2Lead = u"'  UNION";
constexpr QStringView quarter2 =
    u"SELECT DMKKOD,DMKCINSI,DMKAMORTYUZDE,DMKGIRTARIH,DMKGIRTUTAR,DMKAMORTSURE,DMKAMORTBITIS,DMHYIL,"
    u"'2' AS DONEM,0 AS DMHDUZONCAKTIF2,0 AS DMHDUZSONAKTIF2,DMHAKTIFFARK2,DMHDEGARTFON2,"
    u"0 AS DMHDUZONCBIRIK2,0 AS DMHDUZSONBIRIK2,DMHBIRIKFARK2,DMHAYRILAN2,DMHAMORTORAN2,DMHDUZKATSAYI2,"
    u"0 AS TOPBIRAMORT,0 AS TOPAKTIFDEGER  FROM DEMKART JOIN DEMHAR ON DMHDEMKOD=DMKKOD   WHERE "
    u"DMKCIKISFLAG=0 AND DMHKKEGFLAG=0 AND DMHYIL LIKE '";

constexpr QStringView quarter3Lead = u"'      UNION";
constexpr QStringView quarter3 =
    u"SELECT DMKKOD,DMKCINSI,DMKAMORTYUZDE,DMKGIRTARIH,DMKGIRTUTAR,DMKAMORTSURE,DMKAMORTBITIS,DMHYIL,"
    u"'3' AS DONEM,0 AS DMHDUZONCAKTIF3,0 AS DMHDUZSONAKTIF3,DMHAKTIFFARK3,DMHDEGARTFON3,"
    u"0 AS DMHDUZONCBIRIK3,0 AS DMHDUZSONBIRIK3,DMHBIRIKFARK3,DMHAYRILAN3,DMHAMORTORAN3,DMHDUZKATSAYI3,"
    u"0 AS TOPBIRAMORT,0 AS TOPAKTIFDEGER  FROM DEMKART JOIN DEMHAR ON DMHDEMKOD=DMKKOD   WHERE "
    u"DMKCIKISFLAG=0 AND DMHKKEGFLAG=0 AND DMHYIL LIKE '";

constexpr QStringView quarter4Lead = u"'    UNION";
constexpr QStringView quarter4 =
    u"SELECT DMKKOD,DMKCINSI,DMKAMORTYUZDE,DMKGIRTARIH,DMKGIRTUTAR,DMKAMORTSURE,DMKAMORTBITIS,DMHYIL,"
    u"'4' AS DONEM,0 AS DMHDUZONCAKTIF4,CASE DMHDUZSONAKTIF4 WHEN 0 THEN DMHDUZONCAKTIF4  ELSE "
    u"DMHDUZSONAKTIF4 END AS DMHDUZSONAKTIF4,DMHAKTIFFARK4,DMHDEGARTFON4,0 AS DMHDUZONCBIRIK4,"
    u"DMHDUZSONBIRIK4,DMHBIRIKFARK4,DMHAYRILAN4,DMHAMORTORAN4,DMHDUZKATSAYI4,"
    u"(DMHDUZONCBIRIK4+DMHBIRIKFARK4+DMHAYRILAN4) AS TOPBIRAMORT,CASE DMHDUZSONAKTIF4 WHEN 0 THEN "
    u"DMHDUZONCAKTIF4  ELSE DMHDUZSONAKTIF4 END AS TOPAKTIFDEGER  FROM DEMKART JOIN DEMHAR ON "
    u"DMHDEMKOD=DMKKOD  WHERE DMKCIKISFLAG=0 AND DMHKKEGFLAG=0 AND DMHYIL LIKE '";

constexpr QStringView closing = u"'   ";
constexpr int unionBlanks = 307;

constexpr QStringView summaryHead =
    u"SELECT D.DMKKOD,D.DMKCINSI,D.DMKAMORTYUZDE,D.DMKGIRTARIH,D.DMKGIRTUTAR,D.DMKAMORTSURE,"
    u"D.DMKAMORTBITIS,DMHYIL,'0' AS DONEM,SUM(D.DMHDUZONCAKTIF1)AS DMHDUZONCAKTIF1,"
    u"SUM(D.DMHDUZSONAKTIF1) AS DMHDUZSONAKTIF1,SUM(D.DMHAKTIFFARK1) AS DMHAKTIFFARK1,"
    u"SUM(D.DMHDEGARTFON1)AS DMHDEGARTFON1,SUM(D.DMHDUZONCBIRIK1) AS DMHDUZONCBIRIK1,"
    u"SUM(D.DMHDUZSONBIRIK1)AS DMHDUZSONBIRIK1,SUM(D.DMHBIRIKFARK1)AS DMHBIRIKFARK1,"
    u"SUM(D.DMHAYRILAN1)as DMHAYRILAN1,SUM(D.DMHAMORTORAN1)AS DMHAMORTORAN1,"
    u"SUM(D.DMHDUZKATSAYI1) AS DMHDUZKATSAYI1,SUM(D.TOPBIRAMORT) AS TOPBIRAMORT,"
    u"SUM(D.TOPAKTIFDEGER) AS TOPAKTIFDEGER  FROM  (";

constexpr QStringView summaryTail =
    u") AS D  GROUP BY D.DMKKOD,D.DMKCINSI,D.DMKAMORTYUZDE,D.DMKGIRTARIH,D.DMKGIRTUTAR,"
    u"D.DMKAMORTSURE,D.DMKAMORTBITIS,D.DMHYIL ";

} // namespace

QString detailedReportQuery(const QString &year)
{
    // A quote would otherwise close the LIKE literal and let the rest of the
    // year box run as SQL.
    QString pattern = year;
    pattern.replace(QLatin1Char('\''), QLatin1String("''"));
    const QString blanks(unionBlanks, QLatin1Char(' '));

    QString text;
    text.reserve(quarter1.size() + quarter2.size() + quarter3.size() + quarter4.size()
                 + 3 * (unionBlanks + 12) + closing.size() + 4 * pattern.size());
    text += quarter1;
    text += pattern;
    text += quarter2Lead;
    text += blanks;
    text += quarter2;
    text += pattern;
    text += quarter3Lead;
    text += blanks;
    text += quarter3;
    text += pattern;
    text += quarter4Lead;
    text += blanks;
    text += quarter4;
    text += pattern;
    text += closing;
    return text;
}

QString summaryReportQuery(const QString &year)
{
    const QString detailed = detailedReportQuery(year);
    QString text;
    text.reserve(summaryHead.size() + detailed.size() + summaryTail.size());
    text += summaryHead;
    text += detailed;
    text += summaryTail;
    return text;
}

} // namespace yorsabat::reports
