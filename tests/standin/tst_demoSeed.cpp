// The demo instance read back with SQLite: the databases, the documented rows
// other tests rely on, the consistency of the generated ones, and the size knob.
#include "reports/ReportQueries.h"
#include "standin/DemoSeed.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <cmath>
#include <optional>

using yorsabat::standin::writeDemoInstance;

namespace {

// A read-only SQLite connection; values come back as SQLite's text of them,
// NULL as a null QString.
class Reader
{
public:
    explicit Reader(const QString &file)
    {
        if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    }
    ~Reader() { sqlite3_close(m_db); }

    QString error() const { return m_error; }

    QList<QStringList> rows(const QString &sql)
    {
        QList<QStringList> result;
        sqlite3_stmt *stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return result;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                if (sqlite3_column_type(stmt, c) == SQLITE_NULL)
                    row.append(QString());
                else
                    row.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c))));
            }
            result.append(row);
        }
        sqlite3_finalize(stmt);
        return result;
    }

    QString value(const QString &sql)
    {
        const QList<QStringList> all = rows(sql);
        return all.isEmpty() || all.first().isEmpty() ? QStringLiteral("<no row>") : all.first().first();
    }

    int count(const QString &sql) { return value(sql).toInt(); }

private:
    sqlite3 *m_db = nullptr;
    QString m_error;
};

const QStringList allDatabases = {
    QStringLiteral("PERSONEL_TAKIP"), QStringLiteral("VEZ ARSIV 2022"), QStringLiteral("VEZ_001_2023"),
    QStringLiteral("VEZ_001_2024"),   QStringLiteral("VEZ_002_2024"),   QStringLiteral("VEZ_003_2024"),
    QStringLiteral("VEZ_004_2024"),   QStringLiteral("VEZ_005_2024"),   QStringLiteral("VEZ_MASTER"),
    QStringLiteral("VEZ_MASTERSB"),   QStringLiteral("VEZ_MASTERV8"),
};

QStringList filesIn(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
    names.sort();
    return names;
}

QString dbFile(const QString &dir, const QString &database)
{
    return dir + QLatin1Char('/') + database + QStringLiteral(".sqlite");
}

QByteArray digestOf(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool near(const QString &a, double b)
{
    return std::fabs(a.toDouble() - b) < 0.0051;
}

} // namespace

class DemoSeedTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void writesEveryDatabaseAndFiveMatchTheDefaultPattern();
    void declaresSqlServerTypes_data();
    void declaresSqlServerTypes();
    void keepsTheKnownCards_data();
    void keepsTheKnownCards();
    void keepsTheKnownQuartersOfTheFirstAsset_data();
    void keepsTheKnownQuartersOfTheFirstAsset();
    void detailedReportOfTheYearShowsTheDocumentedRows();
    void quartersFollowOneAnother();
    void settingsCompareNumerically_data();
    void settingsCompareNumerically();
    void voucherBreakdownGroupsTheDuplicateLine();

    void sameDataOnEveryRun();
    void sizeKnobGivesThatManyRows_data();
    void sizeKnobGivesThatManyRows();
    void rejectsBadInput_data();
    void rejectsBadInput();
    void reseedingReplacesDemoFilesOnly();

private:
    QTemporaryDir m_dir;
    QString m_company;
};

void DemoSeedTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const std::string error = writeDemoInstance(m_dir.path().toStdString());
    QVERIFY2(error.empty(), error.c_str());
    m_company = dbFile(m_dir.path(), QStringLiteral("VEZ_001_2024"));
}

void DemoSeedTest::writesEveryDatabaseAndFiveMatchTheDefaultPattern()
{
    QStringList expected;
    for (const QString &name : allDatabases)
        expected.append(name + QStringLiteral(".sqlite"));
    expected.sort();
    QCOMPARE(filesIn(m_dir.path()), expected); // no temporary files left either

    // The names go through SQLite's LIKE, which treats this pattern as SQL Server does.
    Reader memory(QStringLiteral(":memory:"));
    QStringList values;
    for (const QString &name : allDatabases)
        values.append(QStringLiteral("('%1')").arg(name));
    const QList<QStringList> matching = memory.rows(
        QStringLiteral("WITH d(name) AS (VALUES %1) SELECT name FROM d WHERE name LIKE 'VEZ_%_2024%' ORDER BY name")
            .arg(values.join(QLatin1Char(','))));
    QCOMPARE(matching, (QList<QStringList>{{"VEZ_001_2024"}, {"VEZ_002_2024"}, {"VEZ_003_2024"}, {"VEZ_004_2024"},
                                           {"VEZ_005_2024"}}));

    // Every company database holds the four tables, and some rows in each.
    for (const QString &name : allDatabases) {
        if (!name.startsWith(QLatin1String("VEZ_0")) && !name.startsWith(QLatin1String("VEZ ")))
            continue;
        Reader db(dbFile(m_dir.path(), name));
        for (const char *table : {"DEMKART", "DEMHAR", "SABITLER", "MUHHAR"})
            QVERIFY2(db.count(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))) > 0,
                     qPrintable(name + QLatin1Char(' ') + QLatin1String(table)));
    }
}

void DemoSeedTest::declaresSqlServerTypes_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("type");
    QTest::newRow("code") << "DEMKART" << "DMKKOD" << "varchar(40)";
    QTest::newRow("description") << "DEMKART" << "DMKCINSI" << "varchar(80)";
    QTest::newRow("amount") << "DEMKART" << "DMKGIRTUTAR" << "decimal(28,9)";
    QTest::newRow("entry date") << "DEMKART" << "DMKGIRTARIH" << "datetime";
    QTest::newRow("left flag") << "DEMKART" << "DMKCIKISFLAG" << "tinyint";
    QTest::newRow("year") << "DEMHAR" << "DMHYIL" << "int";
    QTest::newRow("quarter 4 value") << "DEMHAR" << "DMHDUZSONAKTIF4" << "decimal(28,9)";
    QTest::newRow("coefficient") << "DEMHAR" << "DMHDUZKATSAYI2" << "decimal(28,9)";
    QTest::newRow("settings subject") << "SABITLER" << "SABITKONU" << "smallint";
    QTest::newRow("ledger text") << "MUHHAR" << "MUHHARACIKLAMA" << "nvarchar(200)";
    QTest::newRow("ledger line") << "MUHHAR" << "MUHHARSIRANO" << "int";
}

void DemoSeedTest::declaresSqlServerTypes()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, type);
    Reader db(m_company);
    // SQLite spells a plain int "INT".
    QCOMPARE(db.value(QStringLiteral("SELECT type FROM pragma_table_info('%1') WHERE name='%2'").arg(table, column)).toLower(), type);
    if (table == QLatin1String("DEMHAR")) // the key columns and ten kinds of value for each of four quarters
        QCOMPARE(db.count(QStringLiteral("SELECT count(*) FROM pragma_table_info('DEMHAR')")), 3 + 40);
}

void DemoSeedTest::keepsTheKnownCards_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("card"); // DMKCINSI .. DMKCIKISFLAG as text
    QTest::addColumn<int>("demharRows");
    QTest::newRow("above seven digits")
        << "DMB-0001"
        << QStringList{"Soğuk hava deposu soğutma ünitesi", "10", "2022-06-15 00:00:00.000", "12345678.91", "10", "2031", "0"}
        << 2;
    QTest::newRow("bought in December")
        << "DMB-0002" << QStringList{"Endüstriyel bulaşık makinesi (Merkez)", "20", "2024-12-16 00:00:00.000", "845000", "5", "2028", "0"}
        << 1;
    QTest::newRow("left") << "DMB-0003"
                          << QStringList{"Kamyonet (satıldı)", "25", "2019-04-02 00:00:00.000", "385000", "4", "2022", "1"} << 2;
    QTest::newRow("NULL end") << "DMB-0005"
                              << QStringList{"Yangın algılama sistemi", "10", "2021-09-01 00:00:00.000", "96000", "10", QString(), "0"}
                              << 2;
    QTest::newRow("fifteen digits")
        << "DMB-0006" << QStringList{"İthal CNC işleme merkezi (EUR)", "10", "2024-03-05 00:00:00.000", "38417296.5842175", "10", "2033", "0"}
        << 1;
    QTest::newRow("Turkish letters")
        << "DMB-0007"
        << QStringList{QStringLiteral("İŞ GÜVENLİĞİ ÖLÇÜM ÇANTASI - ağır hizmet, çift sürgülü, ışıklı göstergeli"), "20",
                       "2020-11-11 00:00:00.000", "18750", "5", "2024", "0"}
        << 2;
    QTest::newRow("duplicate year row") << "DMB-0008"
                                        << QStringList{"Çelik raf sistemi (Ankara Depo)", "10", "2018-05-20 00:00:00.000", "64000", "10", "2027", "0"}
                                        << 3;
    QTest::newRow("land") << "DMB-0009" << QStringList{"Arsa - Gebze OSB", "0", "2016-08-30 00:00:00.000", "2750000", "0", "0", "0"} << 0;
}

void DemoSeedTest::keepsTheKnownCards()
{
    QFETCH(QString, code);
    QFETCH(QStringList, card);
    QFETCH(int, demharRows);
    Reader db(m_company);
    const QList<QStringList> rows = db.rows(
        QStringLiteral("SELECT DMKCINSI,DMKAMORTYUZDE,DMKGIRTARIH,DMKGIRTUTAR,DMKAMORTSURE,DMKAMORTBITIS,DMKCIKISFLAG "
                       "FROM DEMKART WHERE DMKKOD='%1'").arg(code));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first(), card);
    QCOMPARE(rows.first().at(5).isNull(), card.at(5).isNull());
    QCOMPARE(db.count(QStringLiteral("SELECT count(*) FROM DEMHAR WHERE DMHDEMKOD='%1'").arg(code)), demharRows);
}

void DemoSeedTest::keepsTheKnownQuartersOfTheFirstAsset_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("quarters");
    QTest::newRow("asset before") << "DMHDUZONCAKTIF" << QStringList{"19912382.55", "22826121.66", "24975360.8", "26534647.5"};
    QTest::newRow("asset after") << "DMHDUZSONAKTIF" << QStringList{"22826121.66", "24975360.8", "26534647.5", "27751818.32"};
    QTest::newRow("asset difference") << "DMHAKTIFFARK" << QStringList{"2913739.11", "2149239.14", "1559286.7", "1217170.82"};
    QTest::newRow("fund") << "DMHDEGARTFON" << QStringList{"2330991.29", "1665660.34", "1169465.03", "882448.85"};
    QTest::newRow("accumulated before") << "DMHDUZONCBIRIK" << QStringList{"3982476.49", "5135877.35", "6243840.17", "7297028.03"};
    QTest::newRow("accumulated after") << "DMHDUZSONBIRIK" << QStringList{"4565224.31", "5619456.15", "6633661.84", "7631750"};
    QTest::newRow("accumulated difference") << "DMHBIRIKFARK" << QStringList{"582747.82", "483578.8", "389821.67", "334721.97"};
    QTest::newRow("set aside") << "DMHAYRILAN" << QStringList{"570653.04", "624384.02", "663366.19", "693795.46"};
    QTest::newRow("rate") << "DMHAMORTORAN" << QStringList{"2.5", "2.5", "2.5", "2.5"};
    QTest::newRow("coefficient") << "DMHDUZKATSAYI" << QStringList{"1.146328", "1.094157", "1.062433", "1.045871"};
}

void DemoSeedTest::keepsTheKnownQuartersOfTheFirstAsset()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, quarters);
    Reader db(m_company);
    const QList<QStringList> rows =
        db.rows(QStringLiteral("SELECT %11,%12,%13,%14 FROM DEMHAR WHERE DMHDEMKOD='DMB-0001' AND DMHYIL=2024 AND DMHKKEGFLAG=0")
                    .replace(QLatin1String("%1"), kind));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first(), quarters);
}

void DemoSeedTest::detailedReportOfTheYearShowsTheDocumentedRows()
{
    Reader db(m_company);
    const QList<QStringList> rows = db.rows(yorsabat::reports::detailedReportQuery(QStringLiteral("2024")));
    QVERIFY2(db.error().isEmpty(), qPrintable(db.error()));
    QCOMPARE(rows.size(), 160);

    QMap<QString, QList<QStringList>> byAsset;
    for (const QStringList &row : rows)
        byAsset[row.at(0)].append(row.mid(8)); // DONEM and columns 10 to 21
    for (auto &quarters : byAsset)
        std::sort(quarters.begin(), quarters.end());

    QCOMPARE(byAsset.value(QStringLiteral("DMB-0001")),
             (QList<QStringList>{
                 {"1", "19912382.55", "0", "2913739.11", "2330991.29", "3982476.49", "0", "582747.82", "570653.04", "2.5", "1.146328", "0", "0"},
                 {"2", "0", "0", "2149239.14", "1665660.34", "0", "0", "483578.8", "624384.02", "2.5", "1.094157", "0", "0"},
                 {"3", "0", "0", "1559286.7", "1169465.03", "0", "0", "389821.67", "663366.19", "2.5", "1.062433", "0", "0"},
                 {"4", "0", "27751818.32", "1217170.82", "882448.85", "0", "7631750", "334721.97", "693795.46", "2.5",
                  "1.045871", "8325545.46", "27751818.32"}}));
    // After-adjustment value 0 in the fourth quarter: the before-adjustment value instead.
    QCOMPARE(byAsset.value(QStringLiteral("DMB-0002")).value(3).mid(0, 3), (QStringList{"4", "0", "845000"}));
    QCOMPARE(byAsset.value(QStringLiteral("DMB-0002")).value(3).last(), QStringLiteral("845000"));
    // A NULL set-aside amount makes the fourth quarter's total NULL.
    QVERIFY(byAsset.value(QStringLiteral("DMB-0005")).value(3).at(8).isNull());
    QVERIFY(byAsset.value(QStringLiteral("DMB-0005")).value(3).at(11).isNull());
    QCOMPARE(byAsset.value(QStringLiteral("DMB-0008")).size(), 4);              // duplicates dropped by UNION
    for (const char *absent : {"DMB-0003", "DMB-0004", "DMB-0009"})
        QVERIFY2(!byAsset.contains(QLatin1String(absent)), absent);
}

// Every quarter of every company database is adjusted and depreciated the
// documented way: differences add up, the next quarter starts where the last
// one ended, nothing is depreciated beyond its value.
void DemoSeedTest::quartersFollowOneAnother()
{
    for (const QString &name : allDatabases) {
        if (!name.startsWith(QLatin1String("VEZ_0")) && !name.startsWith(QLatin1String("VEZ ")))
            continue;
        Reader db(dbFile(m_dir.path(), name));
        QCOMPARE(db.count(QStringLiteral("SELECT count(*) FROM DEMHAR WHERE DMHDEMKOD NOT IN (SELECT DMKKOD FROM DEMKART)")), 0);
        QString columns;
        for (int q = 1; q <= 4; ++q)
            columns += QStringLiteral(",DMHDUZONCAKTIF%1,DMHDUZSONAKTIF%1,DMHAKTIFFARK%1,DMHDEGARTFON%1,DMHDUZONCBIRIK%1,"
                                      "DMHDUZSONBIRIK%1,DMHBIRIKFARK%1,DMHAYRILAN%1,DMHDUZKATSAYI%1")
                           .arg(q);
        const QList<QStringList> rows = db.rows(QStringLiteral("SELECT DMHDEMKOD||' '||DMHYIL") + columns + QStringLiteral(" FROM DEMHAR"));
        QVERIFY(!rows.isEmpty());
        for (const QStringList &row : rows) {
            const QString where = name + QLatin1Char(' ') + row.at(0);
            std::optional<double> carriedAktif, carriedBirik;
            for (int q = 0; q < 4; ++q) {
                const QStringList v = row.mid(1 + q * 9, 9);
                const double onc = v[0].toDouble(), son = v[1].toDouble(), oncB = v[4].toDouble(), sonB = v[5].toDouble();
                const bool adjusted = v[8].toDouble() != 0;
                if (onc == 0 && !carriedAktif)
                    continue; // not on the books yet
                if (carriedAktif) {
                    QVERIFY2(near(v[0], *carriedAktif), qPrintable(where));
                    QVERIFY2(near(v[4], *carriedBirik), qPrintable(where));
                }
                if (adjusted) {
                    QVERIFY2(near(v[1], onc * v[8].toDouble()), qPrintable(where));
                    QVERIFY2(near(v[2], son - onc), qPrintable(where));
                    QVERIFY2(near(v[6], sonB - oncB), qPrintable(where));
                    if (!v[3].isNull())
                        QVERIFY2(near(v[3], (son - onc) - (sonB - oncB)), qPrintable(where));
                } else {
                    QVERIFY2(son == 0 && sonB == 0 && v[2].toDouble() == 0, qPrintable(where));
                }
                const double value = adjusted ? son : onc, accumulated = (adjusted ? sonB : oncB) + v[7].toDouble();
                QVERIFY2(accumulated <= value + 0.005, qPrintable(where));
                carriedAktif = value;
                carriedBirik = accumulated;
            }
        }
    }
}

void DemoSeedTest::settingsCompareNumerically_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("subjects");
    QTest::newRow("e-ledger") << "SELECT * FROM SABITLER WHERE SABITMODUL='22' AND SABITKONU>='38' ORDER BY SABITKONU "
                              << QStringList{"38", "39", "40", "41", "105"};
    QTest::newRow("e-invoice") << "SELECT * FROM SABITLER WHERE SABITMODUL='25' AND SABITKONU>='40' ORDER BY SABITKONU "
                               << QStringList{"40", "41", "42", "120"};
}

void DemoSeedTest::settingsCompareNumerically()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, subjects);
    for (const QString &name : {QStringLiteral("VEZ_001_2024"), QStringLiteral("VEZ_004_2024")}) {
        Reader db(dbFile(m_dir.path(), name));
        QStringList found;
        for (const QStringList &row : db.rows(sql))
            found.append(row.at(1));
        QCOMPARE(found, subjects);
    }
    Reader db(m_company);
    QCOMPARE(db.rows(QStringLiteral("SELECT SABITDEGER FROM SABITLER WHERE SABITMODUL=22 AND SABITKONU=39")),
             (QList<QStringList>{{QStringLiteral("Şifre.2024!")}}));
}

void DemoSeedTest::voucherBreakdownGroupsTheDuplicateLine()
{
    Reader db(m_company);
    const QString sql = QStringLiteral(
        " SELECT MUHHAREVRAKTAR,MUHHAREVRAKNO,MUHHARMUHKOD,MUHHARACIKLAMA,MUHHARBATIPI,MUHHARBELTUR,MUHHARTUTAR FROM MUHHAR "
        "WHERE MUHHARREFNO='2024' GROUP BY MUHHAREVRAKTAR,MUHHAREVRAKNO,MUHHARMUHKOD,MUHHARACIKLAMA,MUHHARBATIPI,"
        "MUHHARBELTUR,MUHHARTUTAR  ORDER BY MUHHAREVRAKNO,MUHHARBATIPI ");
    QCOMPARE(db.count(QStringLiteral("SELECT count(*) FROM MUHHAR WHERE MUHHARREFNO='2024'")), 25);
    const QList<QStringList> rows = db.rows(sql);
    QCOMPARE(rows.size(), 24);
    QCOMPARE(rows.first(), (QStringList{"2024-03-31 00:00:00.000", "AMR-2024-1", "770.01.001", "1. dönem amortisman gideri", "1", "AMR",
                                        "4282375.13"}));
    // Debits equal credits in every voucher of the year.
    QCOMPARE(db.count(QStringLiteral("SELECT count(*) FROM (SELECT MUHHAREVRAKNO FROM MUHHAR WHERE MUHHARREFNO='2024' "
                                     "AND MUHHAREVRAKNO<>'AMR-2024-4' GROUP BY MUHHAREVRAKNO "
                                     "HAVING round(sum(CASE MUHHARBATIPI WHEN 1 THEN MUHHARTUTAR ELSE -MUHHARTUTAR END),2)<>0)")),
             0);
}

void DemoSeedTest::sameDataOnEveryRun()
{
    QTemporaryDir other;
    QVERIFY(other.isValid());
    const std::string error = writeDemoInstance(other.path().toStdString());
    QVERIFY2(error.empty(), error.c_str());
    for (const QString &name : allDatabases)
        QVERIFY2(digestOf(dbFile(other.path(), name)) == digestOf(dbFile(m_dir.path(), name)), qPrintable(name));
}

void DemoSeedTest::sizeKnobGivesThatManyRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("only the known rows") << 15;
    QTest::newRow("one generated asset's latest year") << 16;
    QTest::newRow("odd") << 1001;
    QTest::newRow("larger") << 20000;
}

void DemoSeedTest::sizeKnobGivesThatManyRows()
{
    QFETCH(int, rows);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string error = writeDemoInstance(dir.path().toStdString(), rows);
    QVERIFY2(error.empty(), error.c_str());

    Reader db(dbFile(dir.path(), QStringLiteral("VEZ_001_2024")));
    QCOMPARE(db.count(QStringLiteral("SELECT count(*) FROM DEMHAR")), rows);
    QCOMPARE(db.count(QStringLiteral("SELECT count(*) FROM DEMHAR WHERE DMHDEMKOD NOT IN (SELECT DMKKOD FROM DEMKART)")), 0);
    QCOMPARE(db.value(QStringLiteral("SELECT DMHDUZSONAKTIF4 FROM DEMHAR WHERE DMHDEMKOD='DMB-0001' AND DMHYIL=2024")),
             QStringLiteral("27751818.32"));
    // The other databases keep their default size.
    Reader second(dbFile(dir.path(), QStringLiteral("VEZ_002_2024")));
    QCOMPARE(second.count(QStringLiteral("SELECT count(*) FROM DEMHAR")), 61);
}

void DemoSeedTest::rejectsBadInput_data()
{
    QTest::addColumn<QString>("dir"); // relative to a fresh temporary folder; "" for none
    QTest::addColumn<int>("rows");
    QTest::newRow("no folder") << QString() << 0;
    QTest::newRow("negative size") << "data" << -1;
    QTest::newRow("fewer rows than the known ones") << "data" << 14;
    QTest::newRow("folder below a file") << "file/data" << 0;
}

void DemoSeedTest::rejectsBadInput()
{
    QFETCH(QString, dir);
    QFETCH(int, rows);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QFile file(root.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    const QString target = dir.isEmpty() ? QString() : root.filePath(dir);
    const std::string error = writeDemoInstance(target.toStdString(), rows);
    QVERIFY(!error.empty());
    QCOMPARE(filesIn(root.path()), QStringList{QStringLiteral("file")});
    QVERIFY(!QDir(root.filePath(QStringLiteral("data"))).exists());
}

void DemoSeedTest::reseedingReplacesDemoFilesOnly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeDemoInstance(dir.path().toStdString()).empty());
    {
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(dbFile(dir.path(), QStringLiteral("VEZ_001_2024")).toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "DELETE FROM DEMHAR WHERE DMHDEMKOD='DMB-0001'; INSERT INTO DEMKART (DMKKOD) VALUES ('EK-1')",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);
    }
    QFile own(dbFile(dir.path(), QStringLiteral("KENDI_VERITABANIM")));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("not a demo file");
    own.close();

    QVERIFY(writeDemoInstance(dir.path().toStdString()).empty());
    QCOMPARE(digestOf(dbFile(dir.path(), QStringLiteral("VEZ_001_2024"))), digestOf(m_company));
    QVERIFY(own.open(QIODevice::ReadOnly));
    QCOMPARE(own.readAll(), QByteArray("not a demo file"));
}

QTEST_GUILESS_MAIN(DemoSeedTest)
#include "tst_demoSeed.moc"
