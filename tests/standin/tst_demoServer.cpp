// The demo instance served by the stand-in, read through FreeTDS's ODBC
// driver with the tool's own list and report statements; and the fixture
// that starts it.
#include "OdbcProbe.h"
#include "reports/ReportQueries.h"
#include "tests/support/StandinServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace yorsabat::testing;

namespace {

// The first result's rows of a batch, and the driver's messages when it failed.
class OdbcLink
{
public:
    bool connect(const QString &connectionString) { return m_probe.connect(connectionString); }

    QList<QStringList> rows(const QString &sql)
    {
        const OdbcBatch batch = m_probe.run(sql);
        if (!batch.ok) {
            QStringList texts;
            for (const OdbcMessage &message : batch.messages)
                texts.append(message.text);
            m_error = texts.join(QLatin1Char('\n'));
        }
        return batch.resultSets().value(0).rows;
    }

    QString error() const { return m_error.isEmpty() ? m_probe.connectError() : m_error; }

private:
    OdbcProbe m_probe;
    QString m_error;
};

// "19912382.550000000" and "19912382.55" are the same decimal.
QString plainNumber(QString text)
{
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

} // namespace

class DemoServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void listsDatabasesByPattern_data();
    void listsDatabasesByPattern();
    void detailedReportOfTheKnownAssets();
    void keepsExactAmountsAndTurkishText();

    void fixtureSeedsTheRequestedSize();
    void fixtureReportsAServerThatDoesNotStart();
    void fixtureStopsTheServer();

private:
    StandinServer m_server{StandinServer::Options{true, 0, {}}};
};

void DemoServerTest::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QVERIFY(m_server.port() > 0);
    QVERIFY(QFileInfo::exists(m_server.dataDir() + QStringLiteral("/VEZ_001_2024.sqlite")));
}

void DemoServerTest::listsDatabasesByPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("showMaster");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("default pattern") << "VEZ_%_2024%" << false
                                     << QStringList{"VEZ_001_2024", "VEZ_002_2024", "VEZ_003_2024", "VEZ_004_2024", "VEZ_005_2024"};
    QTest::newRow("every database") << "%" << false
                                    << QStringList{"PERSONEL_TAKIP", "VEZ ARSIV 2022", "VEZ_001_2023", "VEZ_001_2024", "VEZ_002_2024",
                                                   "VEZ_003_2024", "VEZ_004_2024", "VEZ_005_2024"};
    QTest::newRow("with the master databases") << "VEZ_MASTER%" << true << QStringList{"VEZ_MASTER", "VEZ_MASTERSB", "VEZ_MASTERV8"};
}

void DemoServerTest::listsDatabasesByPattern()
{
    QFETCH(QString, pattern);
    QFETCH(bool, showMaster);
    QFETCH(QStringList, names);
    OdbcLink link;
    QVERIFY2(link.connect(m_server.odbcConnectionString()), qPrintable(link.error() + m_server.standardError()));
    QStringList found;
    // The tool's database list statement.
    const QString sql = QStringLiteral("SELECT name,filename FROM master.dbo.sysdatabases WHERE name like '") + pattern +
                        (showMaster ? QStringLiteral("' and name NOT IN ('master','model','msdb','tempdb') ")
                                    : QStringLiteral("' and name NOT IN ('master','model','msdb','tempdb','VEZ_MASTERV8',"
                                                     "'VEZ_MASTER','VEZ_MASTERSB') "));
    for (const QStringList &row : link.rows(sql))
        found.append(row.value(0));
    QVERIFY2(link.error().isEmpty(), qPrintable(link.error()));
    found.sort();
    QCOMPARE(found, names);
}

void DemoServerTest::detailedReportOfTheKnownAssets()
{
    OdbcLink link;
    QVERIFY2(link.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_001_2024"))), qPrintable(link.error()));
    const QList<QStringList> rows = link.rows(yorsabat::reports::detailedReportQuery(QStringLiteral("2024")));
    QVERIFY2(link.error().isEmpty(), qPrintable(link.error()));
    QCOMPARE(rows.size(), 160);

    QMap<QString, QList<QStringList>> byAsset;
    for (const QStringList &row : rows) {
        QStringList values = row.mid(8); // DONEM and columns 10 to 21
        for (QString &value : values)
            value = value.isNull() ? value : plainNumber(value);
        byAsset[row.at(0)].append(values);
    }
    for (auto &quarters : byAsset)
        std::sort(quarters.begin(), quarters.end());

    // Columns 10 to 19 are decimals and must arrive exactly; the two totals are floats.
    const QList<QStringList> expected{
        {"1", "19912382.55", "0", "2913739.11", "2330991.29", "3982476.49", "0", "582747.82", "570653.04", "2.5", "1.146328", "0", "0"},
        {"2", "0", "0", "2149239.14", "1665660.34", "0", "0", "483578.8", "624384.02", "2.5", "1.094157", "0", "0"},
        {"3", "0", "0", "1559286.7", "1169465.03", "0", "0", "389821.67", "663366.19", "2.5", "1.062433", "0", "0"},
        {"4", "0", "27751818.32", "1217170.82", "882448.85", "0", "7631750", "334721.97", "693795.46", "2.5", "1.045871",
         "8325545.46", "27751818.32"}};
    const QList<QStringList> got = byAsset.value(QStringLiteral("DMB-0001"));
    QCOMPARE(got.size(), 4);
    for (int q = 0; q < 4; ++q) {
        QCOMPARE(got[q].mid(0, 11), expected[q].mid(0, 11));
        for (int total : {11, 12})
            QVERIFY2(std::fabs(got[q][total].toDouble() - expected[q][total].toDouble()) < 1e-6, qPrintable(got[q][total]));
    }

    const QStringList fallback = byAsset.value(QStringLiteral("DMB-0002")).value(3);
    QCOMPARE(fallback.value(2), QStringLiteral("845000"));
    QCOMPARE(fallback.value(12).toDouble(), 845000.0);
    QVERIFY(byAsset.value(QStringLiteral("DMB-0005")).value(3).value(11).isNull());
    QCOMPARE(byAsset.value(QStringLiteral("DMB-0008")).size(), 4);
    for (const char *absent : {"DMB-0003", "DMB-0004", "DMB-0009"})
        QVERIFY2(!byAsset.contains(QLatin1String(absent)), absent);
}

void DemoServerTest::keepsExactAmountsAndTurkishText()
{
    OdbcLink link;
    QVERIFY2(link.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_001_2024"))), qPrintable(link.error()));
    const QList<QStringList> rows =
        link.rows(QStringLiteral("SELECT DMKKOD,DMKCINSI,DMKGIRTUTAR,DMKGIRTARIH,DMKAMORTBITIS FROM DEMKART "
                                 "WHERE DMKKOD IN ('DMB-0001','DMB-0005','DMB-0006','DMB-0007') ORDER BY DMKKOD"));
    QVERIFY2(link.error().isEmpty(), qPrintable(link.error()));
    QCOMPARE(rows.size(), 4);
    QCOMPARE(plainNumber(rows[0][2]), QStringLiteral("12345678.91"));
    QVERIFY(rows[0][3].startsWith(QLatin1String("2022-06-15")));
    QVERIFY(rows[1][4].isNull());
    QCOMPARE(plainNumber(rows[2][2]), QStringLiteral("38417296.5842175"));
    QCOMPARE(rows[3][1], QStringLiteral("İŞ GÜVENLİĞİ ÖLÇÜM ÇANTASI - ağır hizmet, çift sürgülü, ışıklı göstergeli"));
}

void DemoServerTest::fixtureSeedsTheRequestedSize()
{
    StandinServer server(StandinServer::Options{true, 1234, {}});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    OdbcLink link;
    QVERIFY2(link.connect(server.odbcConnectionString(QStringLiteral("VEZ_001_2024"))), qPrintable(link.error()));
    QCOMPARE(link.rows(QStringLiteral("SELECT count(*) FROM DEMHAR")), (QList<QStringList>{{QStringLiteral("1234")}}));
}

void DemoServerTest::fixtureReportsAServerThatDoesNotStart()
{
    StandinServer broken(StandinServer::Options{false, 0, {QStringLiteral("--no-such-option")}});
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!broken.start());
    QVERIFY(clock.elapsed() < 9000); // the early exit is noticed, not waited out
    QVERIFY(!broken.errorText().isEmpty());
    QCOMPARE(broken.port(), quint16(0));
}

void DemoServerTest::fixtureStopsTheServer()
{
    StandinServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.port() != m_server.port());
    const QString connection = server.odbcConnectionString();
    {
        OdbcLink link;
        QVERIFY2(link.connect(connection), qPrintable(link.error()));
        QCOMPARE(link.rows(QStringLiteral("SELECT DB_NAME()")).size(), 1);
    }
    server.stop();
    QCOMPARE(server.port(), quint16(0));
    OdbcLink late;
    QVERIFY(!late.connect(connection));
}

QTEST_GUILESS_MAIN(DemoServerTest)
#include "tst_demoServer.moc"
