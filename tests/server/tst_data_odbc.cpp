#include "server/Connection.h"
#include "server/Query.h"
#include "server/ResultSet.h"
#include "shell/Error.h"
#include "tests/support/StandinServer.h"

#include <QElapsedTimer>
#include <QTest>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace yorsabat::server;
using yorsabat::testing::StandinServer;

namespace {

QString errorOf(const std::function<void()> &step)
{
    try {
        step();
    } catch (const yorsabat::Error &e) {
        return e.message();
    }
    return QString();
}

#ifndef _WIN32
// A socket bound to a free loopback port; TCP ones listen but never answer.
struct SilentPort
{
    explicit SilentPort(int type)
    {
        fd = ::socket(AF_INET, type, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        if (type == SOCK_STREAM)
            ::listen(fd, 4);
        socklen_t n = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &n);
        port = ntohs(a.sin_port);
    }
    ~SilentPort() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fd = -1;
    int port = 0;
};
#endif

} // namespace

class TestDataOdbc : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void connectRunsAfterConnectOnce();
    void failedConnectsFailFast_data();
    void failedConnectsFailFast();
    void passwordsReachTheServerIntact_data();
    void passwordsReachTheServerIntact();
    void batchErrorRaisedAfterDraining();
    void openPassesOverResultsWithoutColumns();
    void openWithoutResultSetRunsTheBatch();
    void emptyTextNeverReachesTheServer();
    void textsRoundTrip();
    void decimalsAndTypesExact();
    void manyRowsAcrossBlocks();
    void defaultDatabaseFollowsUse();
    void reopensAfterTheServerDroppedIt();
    void namedInstanceThroughTheBrowser();

private:
    StandinServer m_server;
};

void TestDataOdbc::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestDataOdbc::connectRunsAfterConnectOnce()
{
    Connection c;
    int afterConnect = 0;
    QString databaseSeen;
    c.setAfterConnect([&] {
        ++afterConnect;
        databaseSeen = c.defaultDatabase();
    });
    c.setConnectionString(m_server.oleDbConnectionString());
    QVERIFY(!c.isOpen());
    QCOMPARE(c.defaultDatabase(), QString());
    c.open();
    QVERIFY(c.isOpen());
    QCOMPARE(afterConnect, 1);
    QCOMPARE(databaseSeen, QStringLiteral("master"));
    c.open(); // already open: nothing happens
    QCOMPARE(afterConnect, 1);

    QCOMPARE(errorOf([&] { c.setConnectionString(QStringLiteral("x")); }),
             QStringLiteral("Operation is not allowed when the object is open."));
    QCOMPARE(c.connectionString(), m_server.oleDbConnectionString());

    c.close();
    QVERIFY(!c.isOpen());
    // A statement on the closed connection opens it again, after-connect included.
    Query q(c, QStringLiteral("ADOQuery1"));
    q.setSql(QStringLiteral("SELECT 1 AS n"));
    q.open();
    QVERIFY(c.isOpen());
    QCOMPARE(afterConnect, 2);
    QCOMPARE(q.result()->asInteger(0, 0), 1);

    // An error of the after-connect step leaves the connection open.
    c.close();
    c.setAfterConnect([] { throw yorsabat::Error(QStringLiteral("status line broke")); });
    QCOMPARE(errorOf([&] { c.open(); }), QStringLiteral("status line broke"));
    QVERIFY(c.isOpen());
}

void TestDataOdbc::failedConnectsFailFast_data()
{
    QTest::addColumn<QString>("dataSource");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("refused login") << QStringLiteral("127.0.0.1,%1").arg(m_server.port()) << "wrong" << "Login failed for user 'sa'";
#ifndef _WIN32
    static SilentPort closedPort(SOCK_STREAM);
    static SilentPort silentServer(SOCK_STREAM);
    closedPort.close(); // nothing listens there now
    QTest::newRow("closed port") << QStringLiteral("127.0.0.1,%1").arg(closedPort.port) << "vqx" << "Unable to connect";
    QTest::newRow("silent server") << QStringLiteral("127.0.0.1,%1").arg(silentServer.port) << "vqx" << "";
#endif
}

void TestDataOdbc::failedConnectsFailFast()
{
    QFETCH(QString, dataSource);
    QFETCH(QString, password);
    QFETCH(QString, mentions);
    Connection c;
    bool afterConnect = false;
    c.setAfterConnect([&] { afterConnect = true; });
    c.setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=%1;Data Source=%2")
                              .arg(password, dataSource));
    QElapsedTimer timer;
    timer.start();
    const QString error = errorOf([&] { c.open(); });
    const qint64 elapsed = timer.elapsed();
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(mentions), qPrintable(error));
    QVERIFY2(!error.startsWith(u'['), qPrintable(error)); // the message, not the driver's prefixes
    QVERIFY2(elapsed < 2500, qPrintable(QString::number(elapsed)));
    QVERIFY(!c.isOpen());
    QVERIFY(!afterConnect);
    // The string is kept and can be replaced while closed.
    c.setConnectionString(m_server.oleDbConnectionString());
    c.open();
    QVERIFY(c.isOpen());
}

void TestDataOdbc::passwordsReachTheServerIntact_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("written"); // as the OLE DB string holds it
    QTest::newRow("semicolon and braces") << QStringLiteral("a;b}c{d") << QStringLiteral("\"a;b}c{d\"");
    QTest::newRow("ending in a brace") << QStringLiteral("x;y}") << QStringLiteral("\"x;y}\"");
    QTest::newRow("Turkish letters") << QStringLiteral("Şifre_ğüİı") << QStringLiteral("Şifre_ğüİı");
    QTest::newRow("quotes and blanks") << QStringLiteral("'x y\"") << QStringLiteral("\"'x y\"\"\"");
}

void TestDataOdbc::passwordsReachTheServerIntact()
{
    QFETCH(QString, password);
    QFETCH(QString, written);
    StandinServer server({false, 0, {QStringLiteral("--login"), QStringLiteral("yonetici:") + password}});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    Connection c;
    c.setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=yonetici;Password=%1;"
                                         "Data Source=127.0.0.1,%2")
                              .arg(written)
                              .arg(server.port()));
    const QString error = errorOf([&] { c.open(); });
    QVERIFY2(error.isEmpty(), qPrintable(error + u'\n' + server.standardError()));
    QVERIFY(c.isOpen());
}

void TestDataOdbc::batchErrorRaisedAfterDraining()
{
    Connection c;
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery1"));
    q.setSql(QStringLiteral("CREATE DATABASE BATCHTEST"));
    q.execSql();
    q.setSql(QStringLiteral("USE BATCHTEST; CREATE TABLE t (a int); INSERT INTO t VALUES (1); "
                            "SELECT a FROM t; SELECT * FROM yok_boyle_tablo; INSERT INTO t VALUES (2); PRINT 'son'"));
    const QString error = errorOf([&] { q.execSql(); });
    QVERIFY2(error.contains(QStringLiteral("yok_boyle_tablo")), qPrintable(error));

    // The statements before the failing one took effect, and the connection
    // is idle again: the next statement runs without a cursor-state error.
    q.setSql(QStringLiteral("SELECT COUNT(*) AS n, SUM(a) AS s FROM t"));
    q.open();
    QCOMPARE(q.result()->asInteger(0, 0), 1);
    QCOMPARE(q.result()->asInteger(0, 1), 1);

    // Open raises a later statement's error too, and keeps no result.
    q.setSql(QStringLiteral("SELECT a FROM t; SELECT * FROM yok_boyle_tablo"));
    QVERIFY(errorOf([&] { q.open(); }).contains(QStringLiteral("yok_boyle_tablo")));
    QVERIFY(!q.isOpen());
    // An error in the first statement of a batch.
    q.setSql(QStringLiteral("SELECT * FROM yok_boyle_tablo; INSERT INTO t VALUES (3)"));
    QVERIFY(errorOf([&] { q.execSql(); }).contains(QStringLiteral("yok_boyle_tablo")));
    q.setSql(QStringLiteral("INSERT INTO t VALUES (5); SELECT a FROM t ORDER BY a"));
    q.open();
    QCOMPARE(q.result()->asInteger(q.result()->rowCount() - 1, 0), 5);
}

void TestDataOdbc::openPassesOverResultsWithoutColumns()
{
    Connection c;
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery2"));
    int changes = 0;
    connect(&q, &Query::resultChanged, this, [&] { ++changes; });
    q.setSql(QStringLiteral("CREATE DATABASE OPENTEST; USE OPENTEST; SET NOCOUNT ON; CREATE TABLE k (ad nvarchar(20)); "
                            "INSERT INTO k VALUES (N'bir'); INSERT INTO k VALUES (N'iki'); "
                            "SELECT ad FROM k ORDER BY ad; SELECT 42 AS ikinci"));
    q.open();
    QVERIFY(q.isOpen());
    QCOMPARE(changes, 1);
    const ResultSet *rs = q.result();
    QCOMPARE(rs->fieldCount(), 1);
    QCOMPARE(rs->field(0).name, QStringLiteral("ad"));
    QCOMPARE(rs->rowCount(), 2);
    QCOMPARE(rs->asText(1, 0), QStringLiteral("iki"));
    QCOMPARE(q.requireField(u"AD"), 0);
    QCOMPARE(c.defaultDatabase(), QStringLiteral("OPENTEST"));

    // A result with columns and no rows is still the result.
    q.setSql(QStringLiteral("UPDATE k SET ad = N'x' WHERE 1 = 0; SELECT ad FROM k WHERE 1 = 0"));
    QCOMPARE(changes, 2); // closed by the new text
    q.open();
    QCOMPARE(q.result()->rowCount(), 0);
    QCOMPARE(q.result()->fieldCount(), 1);
}

void TestDataOdbc::openWithoutResultSetRunsTheBatch()
{
    Connection c;
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery3"));
    q.setSql(QStringLiteral("CREATE DATABASE NORESULT; USE NORESULT; CREATE TABLE t (a int); INSERT INTO t VALUES (7)"));
    QCOMPARE(errorOf([&] { q.open(); }), QStringLiteral("ADOQuery3: CommandText does not return a result set"));
    QVERIFY(!q.isOpen());
    q.setSql(QStringLiteral("SELECT a FROM t"));
    q.open();
    QCOMPARE(q.result()->asInteger(0, 0), 7);
}

void TestDataOdbc::emptyTextNeverReachesTheServer()
{
    Connection c;
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery1"));
    for (const QString &text : {QString(), QStringLiteral("  \n\t ")}) {
        q.setSql(text);
        QCOMPARE(errorOf([&] { q.execSql(); }), QStringLiteral("ADOQuery1: CommandText is empty"));
        QCOMPARE(errorOf([&] { q.open(); }), QStringLiteral("ADOQuery1: CommandText is empty"));
    }
    QVERIFY(!c.isOpen()); // not even opened for it
}

void TestDataOdbc::textsRoundTrip()
{
    Connection c;
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery1"));
    const QString letters = QStringLiteral("ĞÜŞİÖÇğüşıöç");
    const QString eighty = QString(letters).repeated(7).left(80);
    const QString chunk = QString(letters).repeated(11).left(128);
    const QString long300 = QString(letters).repeated(25);
    const QString long5000 = (QStringLiteral("Demirbaş açıklaması ") + letters).repeated(160).left(5000);
    const QString long70000 = QString(u'ş').repeated(70000) + QStringLiteral("son");
    q.setSql(QStringLiteral("CREATE DATABASE TEXTTEST; USE TEXTTEST; "
                            "CREATE TABLE m (id int, v80 varchar(80), n80 nvarchar(80), nmax ntext)"));
    q.execSql();
    const QList<std::pair<QString, QString>> rows = {{eighty, chunk}, {chunk.left(80), long300}, {letters, long5000},
                                                     {QString(), long70000}};
    for (int i = 0; i < rows.size(); ++i) {
        q.setSql(QStringLiteral("INSERT INTO m VALUES (%1, N'%2', N'%2', N'%3')").arg(i).arg(rows[i].first, rows[i].second));
        q.execSql();
    }
    q.setSql(QStringLiteral("INSERT INTO m VALUES (9, NULL, N'it''s', NULL)"));
    q.execSql();
    q.setSql(QStringLiteral("SELECT id, v80, n80, nmax FROM m ORDER BY id"));
    q.open();
    const ResultSet *rs = q.result();
    QCOMPARE(rs->rowCount(), rows.size() + 1);
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rs->asInteger(i, 0), i);
        QCOMPARE(rs->asText(i, 1), rows[i].first);
        QCOMPARE(rs->asText(i, 2), rows[i].first);
        QCOMPARE(rs->asText(i, 3).size(), rows[i].second.size());
        QCOMPARE(rs->asText(i, 3), rows[i].second);
    }
    QVERIFY(rs->isNull(4, 1));
    QCOMPARE(rs->asText(4, 2), QStringLiteral("it's"));
    QVERIFY(rs->isNull(4, 3));
    QVERIFY(!rs->isNull(3, 1)); // empty, not NULL
}

void TestDataOdbc::decimalsAndTypesExact()
{
    Connection c;
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery11"));
    q.setSql(QStringLiteral("CREATE DATABASE DECTEST; USE DECTEST; "
                            "CREATE TABLE d (id int, tutar decimal(28,9), oran decimal(5,2), f float, t datetime, g date, b bit, k bigint)"));
    q.execSql();
    q.setSql(QStringLiteral(
        "INSERT INTO d VALUES (1, 123456.123456789, 12.50, 0.1, '2024-12-31 23:59:58.997', '2024-02-29', 1, 9223372036854775807);"
        "INSERT INTO d VALUES (2, -0.000000001, -999.99, -2.5, '1900-01-01 00:00:00', '1753-01-01', 0, -9223372036854775808);"
        "INSERT INTO d VALUES (3, 1500.000000000, 0, 1e300, NULL, NULL, NULL, NULL)"));
    q.execSql();
    q.setSql(QStringLiteral("SELECT * FROM d ORDER BY id"));
    q.open();
    const ResultSet *rs = q.result();
    QCOMPARE(rs->rowCount(), 3);
    QCOMPARE(rs->field(1).type, FieldType::Decimal);
    QCOMPARE(rs->field(1).scale, 9);
    QCOMPARE(rs->field(1).precision, 28);
    QCOMPARE(rs->asText(0, 1), QStringLiteral("123456.123456789"));
    QCOMPARE(rs->asFloat(0, 1), 123456.123456789);
    QCOMPARE(rs->asText(1, 1), QStringLiteral("-0.000000001"));
    QCOMPARE(rs->asText(2, 1), QStringLiteral("1500"));
    QCOMPARE(rs->asInteger(2, 1), 1500);
    QCOMPARE(rs->asText(0, 2), QStringLiteral("12.5"));
    QCOMPARE(rs->asText(1, 2), QStringLiteral("-999.99"));
    QCOMPARE(rs->field(3).type, FieldType::Float);
    QCOMPARE(rs->asFloat(0, 3), 0.1);
    QCOMPARE(rs->asFloat(2, 3), 1e300);
    QCOMPARE(rs->field(4).type, FieldType::DateTime);
    QCOMPARE(rs->asText(0, 4), QStringLiteral("2024-12-31 23:59:58.997"));
    QCOMPARE(rs->asDateTime(1, 4), QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC));
    QVERIFY(!rs->asDateTime(2, 4).isValid());
    QCOMPARE(rs->asDateTime(0, 5).date(), QDate(2024, 2, 29));
    QCOMPARE(rs->asDateTime(1, 5).date(), QDate(1753, 1, 1));
    QCOMPARE(rs->field(6).type, FieldType::Integer);
    QCOMPARE(rs->asInteger(0, 6), 1);
    QCOMPARE(rs->asInteger(0, 7), std::numeric_limits<qint64>::max());
    QCOMPARE(rs->asInteger(1, 7), std::numeric_limits<qint64>::min());
    QVERIFY(rs->isNull(2, 7));
}

void TestDataOdbc::manyRowsAcrossBlocks()
{
    // More rows than one fetch block holds, NULLs included: every value arrives in its row.
    StandinServer demo({true, 1500, {}});
    QVERIFY2(demo.start(), qPrintable(demo.errorText()));
    Connection c;
    c.setConnectionString(demo.oleDbConnectionString() + QStringLiteral(";Initial Catalog=VEZ_001_2024"));
    Query q(c, QStringLiteral("ADOQuery11"));
    q.setSql(QStringLiteral("SELECT COUNT(*) AS n, COUNT(DMHAYRILAN1) AS dolu, SUM(DMHAYRILAN1) AS toplam, SUM(DMHYIL) AS yillar FROM DEMHAR"));
    q.open();
    const qint64 count = q.result()->asInteger(0, 0);
    const qint64 filled = q.result()->asInteger(0, 1);
    const QString total = q.result()->asText(0, 2);
    const qint64 years = q.result()->asInteger(0, 3);
    QCOMPARE(count, 1500);

    q.setSql(QStringLiteral("SELECT DMHDEMKOD, DMHYIL, DMHAYRILAN1 FROM DEMHAR"));
    q.open();
    const ResultSet *rs = q.result();
    QCOMPARE(rs->rowCount(), count);
    qint64 nonNull = 0, yearSum = 0;
    // Exact sum of the scale-9 decimals, in units of 1e-9 (fits: demo amounts are far below 9e9).
    __int128 units = 0;
    for (qint64 r = 0; r < rs->rowCount(); ++r) {
        yearSum += rs->asInteger(r, 1);
        if (rs->isNull(r, 2))
            continue;
        ++nonNull;
        const QString t = rs->asText(r, 2);
        const qsizetype dot = t.indexOf(u'.');
        const QString whole = dot < 0 ? t : t.left(dot);
        const QString frac = (dot < 0 ? QString() : t.mid(dot + 1)).leftJustified(9, u'0');
        const bool negative = t.startsWith(u'-');
        __int128 v = __int128(whole.toLongLong()) * 1000000000;
        v += negative ? -frac.toLongLong() : frac.toLongLong();
        units += v;
    }
    QCOMPARE(nonNull, filled);
    QCOMPARE(yearSum, years);
    const bool negative = units < 0;
    const __int128 magnitude = negative ? -units : units;
    QString sum = QString::number(qint64(magnitude / 1000000000));
    QString frac = QStringLiteral("%1").arg(qint64(magnitude % 1000000000), 9, 10, QChar(u'0'));
    while (frac.endsWith(u'0'))
        frac.chop(1);
    if (!frac.isEmpty())
        sum += u'.' + frac;
    if (negative)
        sum.prepend(u'-');
    QCOMPARE(sum, total);
}

void TestDataOdbc::defaultDatabaseFollowsUse()
{
    Connection c;
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery1"));
    q.setSql(QStringLiteral("CREATE DATABASE [VEZ_TEST 2024]"));
    q.execSql();
    q.setSql(QStringLiteral("USE [VEZ_TEST 2024]"));
    q.execSql();
    QCOMPARE(c.defaultDatabase(), QStringLiteral("VEZ_TEST 2024"));
    q.setSql(QStringLiteral("USE yok_boyle_db"));
    QVERIFY(errorOf([&] { q.execSql(); }).contains(QStringLiteral("yok_boyle_db")));
    QCOMPARE(c.defaultDatabase(), QStringLiteral("VEZ_TEST 2024"));
    q.setSql(QStringLiteral("USE master; SELECT DB_NAME() AS db"));
    q.open();
    QCOMPARE(q.result()->asText(0, 0), QStringLiteral("master"));
    QCOMPARE(c.defaultDatabase(), QStringLiteral("master"));
    // Another query object on the same connection sees the same database.
    Query other(c, QStringLiteral("ADOQuery3"));
    other.setSql(QStringLiteral("SELECT DB_NAME()"));
    other.open();
    QCOMPARE(other.result()->asText(0, 0), QStringLiteral("master"));
}

void TestDataOdbc::reopensAfterTheServerDroppedIt()
{
    Connection c;
    int opens = 0;
    c.setAfterConnect([&] { ++opens; });
    c.setConnectionString(m_server.oleDbConnectionString());
    Query q(c, QStringLiteral("ADOQuery1"));
    q.setSql(QStringLiteral("STANDIN FAULT CLOSE AFTER 3"));
    q.execSql();
    // The server drops the connection after a few batches; the failing
    // statement reports it, and the next one opens the connection again.
    q.setSql(QStringLiteral("SELECT 1 AS n"));
    int failures = 0;
    bool succeededAfterFailure = false;
    for (int i = 0; i < 8; ++i) {
        const QString error = errorOf([&] { q.open(); });
        if (!error.isEmpty()) {
            ++failures;
            QVERIFY2(!error.contains(QStringLiteral("Invalid cursor state")), qPrintable(error));
            QVERIFY(!c.isOpen());
        } else if (failures > 0) {
            succeededAfterFailure = true;
            QCOMPARE(q.result()->asInteger(0, 0), 1);
        }
    }
    q.setSql(QStringLiteral("STANDIN FAULT NONE"));
    errorOf([&] { q.execSql(); });
    QVERIFY(failures > 0);
    QVERIFY(succeededAfterFailure);
    QVERIFY(opens > 1);
}

void TestDataOdbc::namedInstanceThroughTheBrowser()
{
#ifdef _WIN32
    QSKIP("POSIX sockets");
#else
    int browserPort = 0;
    {
        SilentPort probe(SOCK_DGRAM); // a free UDP port for the stand-in's Browser answer
        browserPort = probe.port;
    }
    StandinServer named({false, 0, {QStringLiteral("--instance"), QStringLiteral("VEZ"), QStringLiteral("--browser-port"),
                                    QString::number(browserPort)}});
    QVERIFY2(named.start(), qPrintable(named.errorText()));
    qputenv("YORSABAT_BROWSER_PORT", QByteArray::number(browserPort));
    const QString prefix = QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=vqx;Data Source=");

    Connection c;
    c.setConnectionString(prefix + QStringLiteral(".\\VEZ"));
    c.open();
    QVERIFY(c.isOpen());
    c.close();

    // An instance nobody answers for fails within about a second.
    SilentPort silent(SOCK_DGRAM);
    qputenv("YORSABAT_BROWSER_PORT", QByteArray::number(silent.port));
    c.setConnectionString(prefix + QStringLiteral("127.0.0.1\\VEZ"));
    QElapsedTimer timer;
    timer.start();
    const QString error = errorOf([&] { c.open(); });
    QVERIFY2(error.contains(QStringLiteral("did not answer")), qPrintable(error));
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!c.isOpen());
    qunsetenv("YORSABAT_BROWSER_PORT");
#endif
}

QTEST_GUILESS_MAIN(TestDataOdbc)
#include "tst_data_odbc.moc"
