// The stand-in SQL Server as FreeTDS's ODBC driver sees it: login, batches, USE, the
// catalogue, types, errors, cancel and several clients at once.
#include "OdbcProbe.h"
#include "tests/support/StandinServer.h"

#include <QtTest>

using yorsabat::testing::OdbcBatch;
using yorsabat::testing::OdbcProbe;
using yorsabat::testing::StandinServer;

namespace {

// "0.300000000" and "0.3" are the same decimal.
QString plainNumber(QString v)
{
    if (v.contains(QLatin1Char('.'))) {
        while (v.endsWith(QLatin1Char('0')))
            v.chop(1);
        if (v.endsWith(QLatin1Char('.')))
            v.chop(1);
    }
    return v;
}

} // namespace

class StandinSqlTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void refusesAWrongLogin_data();
    void refusesAWrongLogin();
    void acceptsLoginsGivenOnTheCommandLine();
    void batchReportsCountsAndResultsInOrder();
    void useSwitchesTheDatabaseForLaterStatements();
    void unknownDatabaseKeepsTheCurrentOne();
    void listsDatabasesWithTheToolsQuery_data();
    void listsDatabasesWithTheToolsQuery();
    void listsTablesByPrefix();
    void createAndDropDatabase();
    void roundTripsEachType_data();
    void roundTripsEachType();
    void expressionColumnsKeepEveryValue_data();
    void expressionColumnsKeepEveryValue();
    void sumsDecimalsExactly();
    void reportsSqlServerErrors_data();
    void reportsSqlServerErrors();
    void failingStatementEndsTheBatch();
    void goLineRunsNothing();
    void syntaxErrorAnywhereRunsNothing();
    void tSqlFormsAreUnderstood_data();
    void tSqlFormsAreUnderstood();
    void twoClientsInDifferentDatabases();
    void useKeepsAnOpenTransaction();
    void closingAPartlyReadResultCancelsIt();
    void longTextComesBackWhole();
    void preparedStatementsWithParameters();

private:
    OdbcBatch runIn(const QString &database, const QString &sql);
    StandinServer m_server;
};

void StandinSqlTest::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    OdbcProbe probe;
    QVERIFY2(probe.connect(m_server.odbcConnectionString()), qPrintable(probe.connectError()));
    OdbcBatch setup = probe.run(QStringLiteral(
        "CREATE DATABASE VEZ_001_2024; CREATE DATABASE VEZ_002_2024; CREATE DATABASE [VEZ 003 2024];"
        "CREATE DATABASE VEZ_001_2023; CREATE DATABASE VEZ_MASTER; CREATE DATABASE VEZ_MASTERV8;"
        "CREATE DATABASE VEZ_MASTERSB; CREATE DATABASE PERSONEL"));
    QVERIFY2(setup.ok, qPrintable(setup.messages.value(0).text));
    OdbcBatch tables = probe.run(QStringLiteral(
        "USE VEZ_001_2024\n"
        "CREATE TABLE DEMKART(DMKKOD varchar(40), DMKCINSI varchar(80), DMKGIRTUTAR decimal(28,9))\n"
        "CREATE TABLE DEMHAR(DMHDEMKOD varchar(40), DMHYIL int)\n"
        "CREATE TABLE MUHHAR(MUHHARREFNO varchar(20))\n"
        "INSERT INTO DEMKART VALUES('A1', 'Çalışma masası', 12345.67), ('A2', NULL, 0.1)\n"
        "USE VEZ_002_2024; CREATE TABLE KUR(D varchar(3)); INSERT INTO KUR VALUES('EUR')"));
    QVERIFY2(tables.ok, qPrintable(tables.messages.value(0).text));
}

OdbcBatch StandinSqlTest::runIn(const QString &database, const QString &sql)
{
    OdbcProbe probe;
    if (!probe.connect(m_server.odbcConnectionString(database)))
        return {};
    return probe.run(sql);
}

void StandinSqlTest::refusesAWrongLogin_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong password") << "sa" << "VQX";
    QTest::newRow("unknown user") << "admin" << "vqx";
    QTest::newRow("empty password") << "sa" << "";
}

void StandinSqlTest::refusesAWrongLogin()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    OdbcProbe probe;
    QString text = QStringLiteral("Driver={FreeTDS};Server=127.0.0.1;Port=%1;UID=%2;PWD=%3;TDS_Version=7.4;ClientCharset=UTF-8;")
                       .arg(m_server.port())
                       .arg(user, password);
    QVERIFY(!probe.connect(text));
    bool found = false;
    for (const auto &m : probe.connectMessages())
        found |= m.native == 18456 && m.text.endsWith(QStringLiteral("Login failed for user '%1'.").arg(user));
    QVERIFY2(found, qPrintable(probe.connectError()));
    // The refused attempt leaves the server serving others.
    OdbcProbe good;
    QVERIFY2(good.connect(m_server.odbcConnectionString()), qPrintable(good.connectError()));
}

void StandinSqlTest::acceptsLoginsGivenOnTheCommandLine()
{
    StandinServer server(StandinServer::Options{false, 0, {QStringLiteral("--login"), QStringLiteral("muhasebe:Gizli;1")}});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString base = QStringLiteral("Driver={FreeTDS};Server=127.0.0.1;Port=%1;TDS_Version=7.4;ClientCharset=UTF-8;")
                             .arg(server.port());
    OdbcProbe given;
    QVERIFY2(given.connect(base + QStringLiteral("UID=muhasebe;PWD={Gizli;1};")), qPrintable(given.connectError()));
    OdbcProbe defaultLogin; // replaced, not added to
    QVERIFY(!defaultLogin.connect(server.odbcConnectionString()));
}

void StandinSqlTest::batchReportsCountsAndResultsInOrder()
{
    OdbcBatch b = runIn(QStringLiteral("VEZ_002_2024"), QStringLiteral(
        "CREATE TABLE T1(A int, B nvarchar(10));\n"
        "INSERT INTO T1 VALUES(1, N'bir'), (2, N'iki'), (3, N'üç')\n"
        "SELECT A, B FROM T1 WHERE A >= 2 ORDER BY A\n"
        "UPDATE T1 SET A = A + 10 WHERE A < 3; DELETE FROM T1 WHERE A = 3\n"
        "SELECT COUNT(*) AS N FROM T1 WHERE A > 10"));
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    QList<qlonglong> counts;
    for (const auto &r : b.results)
        if (r.columns.isEmpty())
            counts.append(r.rowCount);
    QCOMPARE(counts, (QList<qlonglong>{3, 2, 1}));
    QList<yorsabat::testing::OdbcResult> sets = b.resultSets();
    QCOMPARE(sets.size(), 2);
    QCOMPARE(sets[0].rows, (QList<QStringList>{{"2", "iki"}, {"3", "üç"}}));
    QCOMPARE(sets[1].rows, (QList<QStringList>{{"2"}}));
}

void StandinSqlTest::useSwitchesTheDatabaseForLaterStatements()
{
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString()));
    QCOMPARE(probe.currentCatalog(), QStringLiteral("master"));
    OdbcBatch b = probe.run(QStringLiteral("USE VEZ_001_2024\nSELECT DB_NAME() AS D, COUNT(*) AS N FROM DEMKART"));
    QVERIFY(b.ok);
    QVERIFY(b.messageText(5701).endsWith(QStringLiteral("Changed database context to 'VEZ_001_2024'.")));
    QCOMPARE(b.resultSets().value(0).rows, (QList<QStringList>{{"VEZ_001_2024", "2"}}));
    QCOMPARE(probe.currentCatalog(), QStringLiteral("VEZ_001_2024"));

    // Bracketed names with blanks, and the name as stored whatever case was typed.
    b = probe.run(QStringLiteral("USE [VEZ 003 2024]; SELECT DB_NAME()"));
    QCOMPARE(b.resultSets().value(0).rows.value(0).value(0), QStringLiteral("VEZ 003 2024"));
    b = probe.run(QStringLiteral("use vez_002_2024"));
    QVERIFY(b.ok);
    QCOMPARE(probe.currentCatalog(), QStringLiteral("VEZ_002_2024"));
}

void StandinSqlTest::unknownDatabaseKeepsTheCurrentOne()
{
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_001_2024"))));
    OdbcBatch b = probe.run(QStringLiteral("USE VEZ_999_2024"));
    QVERIFY(!b.ok);
    QVERIFY(b.messageText(911).endsWith(
        QStringLiteral("Database 'VEZ_999_2024' does not exist. Make sure that the name is entered correctly.")));
    QCOMPARE(probe.currentCatalog(), QStringLiteral("VEZ_001_2024"));
    b = probe.run(QStringLiteral("SELECT DB_NAME()"));
    QCOMPARE(b.resultSets().value(0).rows.value(0).value(0), QStringLiteral("VEZ_001_2024"));
    // A name that would leave the data folder is just an unknown database.
    b = probe.run(QStringLiteral("USE [../VEZ_001_2024]"));
    QVERIFY(b.hasMessage(911));
}

void StandinSqlTest::listsDatabasesWithTheToolsQuery_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("showMaster");
    QTest::addColumn<QStringList>("expected");
    // "_" matches a blank too, as on SQL Server.
    QTest::newRow("2024, masters hidden") << "VEZ_%_2024%" << false
                                          << QStringList{"VEZ 003 2024", "VEZ_001_2024", "VEZ_002_2024"};
    QTest::newRow("all VEZ, masters hidden")
        << "VEZ%" << false << QStringList{"VEZ 003 2024", "VEZ_001_2023", "VEZ_001_2024", "VEZ_002_2024"};
    QTest::newRow("masters shown") << "VEZ_MASTER%" << true
                                   << QStringList{"VEZ_MASTER", "VEZ_MASTERSB", "VEZ_MASTERV8"};
    QTest::newRow("system names never") << "%" << true
                                        << QStringList{"PERSONEL", "VEZ 003 2024", "VEZ_001_2023", "VEZ_001_2024",
                                                       "VEZ_002_2024", "VEZ_MASTER", "VEZ_MASTERSB", "VEZ_MASTERV8"};
    QTest::newRow("like is case-insensitive") << "vez_001%" << false << QStringList{"VEZ_001_2023", "VEZ_001_2024"};
}

void StandinSqlTest::listsDatabasesWithTheToolsQuery()
{
    QFETCH(QString, pattern);
    QFETCH(bool, showMaster);
    QFETCH(QStringList, expected);
    const QString tail = showMaster
                             ? QStringLiteral("' and name NOT IN ('master','model','msdb','tempdb') ")
                             : QStringLiteral("' and name NOT IN ('master','model','msdb','tempdb','VEZ_MASTERV8','VEZ_MASTER','VEZ_MASTERSB') ");
    OdbcBatch b = runIn({}, QStringLiteral("SELECT name,filename FROM master.dbo.sysdatabases WHERE name like '") +
                                pattern + tail);
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    QStringList names;
    for (const auto &row : b.resultSets().value(0).rows) {
        names.append(row.value(0));
        QVERIFY(row.value(1).endsWith(row.value(0) + QStringLiteral(".sqlite")));
    }
    names.sort();
    QCOMPARE(names, expected);
}

void StandinSqlTest::listsTablesByPrefix()
{
    OdbcBatch b = runIn(QStringLiteral("VEZ_001_2024"), QStringLiteral("select name from sys.tables Where name Like 'DEM%'"));
    QVERIFY(b.ok);
    QStringList names;
    for (const auto &row : b.resultSets().value(0).rows)
        names.append(row.value(0));
    names.sort();
    QCOMPARE(names, (QStringList{"DEMHAR", "DEMKART"}));
    // Another database shows its own tables.
    b = runIn(QStringLiteral("VEZ_001_2023"), QStringLiteral("select name from sys.tables"));
    QVERIFY(b.ok);
    QCOMPARE(b.resultSets().value(0).rows.size(), 0);
}

void StandinSqlTest::createAndDropDatabase()
{
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString()));
    QVERIFY(probe.run(QStringLiteral("CREATE DATABASE GECICI")).ok);
    QVERIFY(QFile::exists(m_server.dataDir() + QStringLiteral("/GECICI.sqlite")));
    OdbcBatch again = probe.run(QStringLiteral("CREATE DATABASE gecici"));
    QVERIFY(again.hasMessage(1801));

    OdbcProbe user;
    QVERIFY(user.connect(m_server.odbcConnectionString(QStringLiteral("GECICI"))));
    OdbcBatch inUse = probe.run(QStringLiteral("DROP DATABASE GECICI"));
    QVERIFY(inUse.hasMessage(3702));
    QVERIFY(QFile::exists(m_server.dataDir() + QStringLiteral("/GECICI.sqlite")));
    QVERIFY(user.run(QStringLiteral("USE master")).ok);
    QVERIFY(probe.run(QStringLiteral("DROP DATABASE GECICI")).ok);
    QVERIFY(!QFile::exists(m_server.dataDir() + QStringLiteral("/GECICI.sqlite")));
    QVERIFY(probe.run(QStringLiteral("DROP DATABASE GECICI")).hasMessage(3701));
    QVERIFY(probe.run(QStringLiteral("DROP DATABASE master")).hasMessage(3708));
}

void StandinSqlTest::roundTripsEachType_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<QString>("expected");
    QTest::newRow("int") << "int" << "-2147483648" << int(SQL_INTEGER) << "-2147483648";
    QTest::newRow("bigint") << "bigint" << "9007199254740993" << int(SQL_BIGINT) << "9007199254740993";
    QTest::newRow("smallint") << "smallint" << "-32768" << int(SQL_SMALLINT) << "-32768";
    QTest::newRow("tinyint") << "tinyint" << "255" << int(SQL_TINYINT) << "255";
    QTest::newRow("bit") << "bit" << "1" << int(SQL_BIT) << "1";
    QTest::newRow("float") << "float" << "0.1" << int(SQL_DOUBLE) << "0.10000000000000001";
    QTest::newRow("decimal 28,9") << "decimal(28,9)" << "-12345678.123456" << int(SQL_NUMERIC) << "-12345678.123456000";
    QTest::newRow("decimal tiny") << "decimal(28,9)" << "0.000000001" << int(SQL_NUMERIC) << "0.000000001";
    QTest::newRow("decimal 15 digits") << "decimal(28,9)" << "999999.999999999" << int(SQL_NUMERIC) << "999999.999999999";
    QTest::newRow("decimal rounds to scale") << "decimal(10,2)" << "2.675" << int(SQL_NUMERIC) << "2.68";
    QTest::newRow("numeric integer") << "numeric(18,0)" << "123456789012345678" << int(SQL_NUMERIC) << "123456789012345678";
    QTest::newRow("datetime") << "datetime" << "'2024-02-29 13:45:10.997'" << int(SQL_TYPE_TIMESTAMP) << "2024-02-29 13:45:10.997";
    QTest::newRow("datetime rounds to 1/300 s") << "datetime" << "'2024-12-31 23:59:59.999'" << int(SQL_TYPE_TIMESTAMP)
                                                << "2025-01-01 00:00:00.000";
    QTest::newRow("date") << "date" << "'1999-02-28'" << int(SQL_TYPE_DATE) << "1999-02-28";
    QTest::newRow("varchar Turkish") << "varchar(40)" << "'ĞÜŞİÖÇ ğüşıöç'" << int(SQL_WVARCHAR) << "ĞÜŞİÖÇ ğüşıöç";
    QTest::newRow("nvarchar quote") << "nvarchar(80)" << "N'O''Brien'" << int(SQL_WVARCHAR) << "O'Brien";
    QTest::newRow("empty text") << "varchar(10)" << "''" << int(SQL_WVARCHAR) << "";
}

void StandinSqlTest::roundTripsEachType()
{
    QFETCH(QString, declared);
    QFETCH(QString, literal);
    QFETCH(int, sqlType);
    QFETCH(QString, expected);
    const QString table = QStringLiteral("RT_") + QString::number(qHash(QString::fromUtf8(QTest::currentDataTag())));
    OdbcBatch b = runIn(QStringLiteral("VEZ_002_2024"),
                        QStringLiteral("CREATE TABLE %1(V %2); INSERT INTO %1 VALUES(%3), (NULL); SELECT V FROM %1")
                            .arg(table, declared, literal));
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    auto set = b.resultSets().value(0);
    QCOMPARE(set.columns.value(0).sqlType, sqlType);
    QCOMPARE(set.rows.size(), 2);
    QCOMPARE(set.rows[0][0], expected);
    QVERIFY(set.rows[1][0].isNull());
}

void StandinSqlTest::expressionColumnsKeepEveryValue_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<QStringList>("expected"); // first, last and NULL-free values picked by the query
    // Integers for the first thousands of rows, then an amount: the column must carry both.
    QTest::newRow("amount after many integers")
        << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
           "SELECT CASE WHEN i < 3000 THEN 0 ELSE 1234567.89 END AS X FROM n"
        << int(SQL_NUMERIC) << QStringList{"0", "1234567.89"};
    QTest::newRow("long text after short ones")
        << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
           "SELECT CASE WHEN i < 3000 THEN 'a' ELSE 'uzun bir açıklama metni' END AS X FROM n"
        << int(SQL_WVARCHAR) << QStringList{"a", "uzun bir açıklama metni"};
    QTest::newRow("big integer after small ones")
        << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
           "SELECT CASE WHEN i < 3000 THEN i ELSE 9876543210123 END AS X FROM n"
        << int(SQL_BIGINT) << QStringList{"1", "9876543210123"};
    QTest::newRow("text kept as text") << "SELECT '1' AS DONEM UNION ALL SELECT '0042'" << int(SQL_WVARCHAR)
                                       << QStringList{"1", "0042"};
    QTest::newRow("union of zero and amount") << "SELECT 0 AS X UNION ALL SELECT 19912382.55" << int(SQL_NUMERIC)
                                              << QStringList{"0", "19912382.55"};
}

void StandinSqlTest::expressionColumnsKeepEveryValue()
{
    QFETCH(QString, sql);
    QFETCH(int, sqlType);
    QFETCH(QStringList, expected);
    OdbcBatch b = runIn({}, sql);
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    auto set = b.resultSets().value(0);
    QCOMPARE(set.columns.value(0).sqlType, sqlType);
    QVERIFY(!set.rows.isEmpty());
    QCOMPARE(plainNumber(set.rows.first().value(0)), expected.first());
    QCOMPARE(plainNumber(set.rows.last().value(0)), expected.last());
}

void StandinSqlTest::sumsDecimalsExactly()
{
    OdbcBatch b = runIn(QStringLiteral("VEZ_002_2024"), QStringLiteral(
        "CREATE TABLE AMOUNTS(K int, V decimal(28,9));"
        "INSERT INTO AMOUNTS VALUES(1, 0.1), (1, 0.2), (2, 7839435.77), (2, 6048565.51), (2, 0.01), (3, NULL);"
        "SELECT K, SUM(V) AS S FROM AMOUNTS GROUP BY K ORDER BY K"));
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    auto set = b.resultSets().value(0);
    QCOMPARE(set.columns.value(1).sqlType, int(SQL_NUMERIC));
    QCOMPARE(set.rows.size(), 3);
    QCOMPARE(plainNumber(set.rows[0][1]), QStringLiteral("0.3"));
    QCOMPARE(plainNumber(set.rows[1][1]), QStringLiteral("13888001.29"));
    QVERIFY(set.rows[2][1].isNull());
}

void StandinSqlTest::reportsSqlServerErrors_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("invalid object") << "SELECT * FROM YOKTABLO" << 208 << "Invalid object name 'YOKTABLO'.";
    QTest::newRow("invalid object, dbo") << "SELECT * FROM dbo.YOKTABLO" << 208 << "Invalid object name 'YOKTABLO'.";
    QTest::newRow("invalid column") << "SELECT NOSUCH FROM DEMKART" << 207 << "Invalid column name 'NOSUCH'.";
    QTest::newRow("invalid qualified column") << "SELECT D.NOSUCH FROM DEMKART D" << 207 << "Invalid column name 'NOSUCH'.";
    QTest::newRow("syntax") << "SELECT * FROM DEMKART WHERE" << 102 << "Incorrect syntax near 'WHERE'.";
    QTest::newRow("syntax near word") << "SELEC * FROM DEMKART" << 102 << "Incorrect syntax near 'SELEC'.";
    QTest::newRow("unclosed quote") << "SELECT 'abc" << 105 << "Unclosed quotation mark after the character string 'abc'.";
    QTest::newRow("existing table") << "CREATE TABLE DEMKART(A int)" << 2714
                                    << "There is already an object named 'DEMKART' in the database.";
    QTest::newRow("undeclared variable") << "SELECT @YIL" << 137 << "Must declare the scalar variable \"@YIL\".";
    QTest::newRow("unknown function") << "SELECT NOFUNC(1)" << 195 << "'NOFUNC' is not a recognized built-in function name.";
}

void StandinSqlTest::reportsSqlServerErrors()
{
    QFETCH(QString, sql);
    QFETCH(int, number);
    QFETCH(QString, text);
    OdbcBatch b = runIn(QStringLiteral("VEZ_001_2024"), sql);
    QVERIFY(!b.ok);
    QVERIFY2(b.messageText(number).endsWith(text),
             qPrintable(b.messages.isEmpty() ? QStringLiteral("no message") : b.messages.first().text));
}

void StandinSqlTest::failingStatementEndsTheBatch()
{
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_002_2024"))));
    OdbcBatch b = probe.run(QStringLiteral(
        "CREATE TABLE STEPS(N int)\nINSERT INTO STEPS VALUES(1)\nSELECT * FROM YOK\nINSERT INTO STEPS VALUES(2)"));
    QVERIFY(!b.ok);
    QVERIFY(b.hasMessage(208));
    OdbcBatch after = probe.run(QStringLiteral("SELECT N FROM STEPS"));
    QCOMPARE(after.resultSets().value(0).rows, (QList<QStringList>{{"1"}}));
}

void StandinSqlTest::goLineRunsNothing()
{
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_002_2024"))));
    OdbcBatch b = probe.run(QStringLiteral("CREATE TABLE GOTEST(N int)\nGO\nINSERT INTO GOTEST VALUES(1)"));
    QVERIFY(!b.ok);
    QVERIFY(b.messageText(102).endsWith(QStringLiteral("Incorrect syntax near 'GO'.")));
    OdbcBatch after = probe.run(QStringLiteral("SELECT * FROM GOTEST"));
    QVERIFY(after.hasMessage(208)); // not even the statement before the GO ran
    // GO inside a text or as part of a name is no separator.
    QVERIFY(probe.run(QStringLiteral("SELECT 'GO' AS GOAL")).ok);
}

void StandinSqlTest::syntaxErrorAnywhereRunsNothing()
{
    // SQL Server compiles the whole batch first: a typo in the last statement stops the first.
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_002_2024"))));
    QVERIFY(probe.run(QStringLiteral("CREATE TABLE SYNTAX(N int)")).ok);
    OdbcBatch b = probe.run(QStringLiteral("INSERT INTO SYNTAX VALUES(1)\nDELETE FROM SYNTAX WHERE N =\nSELECT 1"));
    QVERIFY(!b.ok);
    QVERIFY(b.hasMessage(102));
    QCOMPARE(probe.run(QStringLiteral("SELECT COUNT(*) FROM SYNTAX")).resultSets().value(0).rows.value(0).value(0),
             QStringLiteral("0"));
    // A name that a statement before it creates is no reason to stop.
    b = probe.run(QStringLiteral("CREATE TABLE LATER(N int)\nINSERT INTO LATER VALUES(5)\nSELECT N FROM LATER"));
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    QCOMPARE(b.resultSets().value(0).rows, (QList<QStringList>{{"5"}}));
}

void StandinSqlTest::tSqlFormsAreUnderstood_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("expected"); // the first row
    QTest::newRow("brackets and N literal") << "SELECT [DMKKOD], N'ş' AS [Ad Soyad] FROM [dbo].[DEMKART] WHERE DMKKOD = 'A1'"
                                            << QStringList{"A1", "ş"};
    QTest::newRow("three-part name") << "SELECT COUNT(*) FROM VEZ_001_2024.dbo.DEMKART" << QStringList{"2"};
    QTest::newRow("other database") << "SELECT D FROM [VEZ_002_2024]..KUR" << QStringList{"EUR"};
    QTest::newRow("isnull and len") << "SELECT ISNULL(DMKCINSI, '-'), LEN('ab  ') FROM DEMKART WHERE DMKKOD = 'A2'"
                                    << QStringList{"-", "2"};
    QTest::newRow("set options accepted") << "SET NOCOUNT ON; SET ANSI_NULLS ON\nSET DATEFORMAT dmy\nSELECT 1" << QStringList{"1"};
    QTest::newRow("no semicolons") << "SELECT 1 AS A SELECT 2 AS B" << QStringList{"1"};
    QTest::newRow("comments") << "/* a /* nested */ comment */ SELECT 5 -- trailing" << QStringList{"5"};
    QTest::newRow("text joined with +") << "SELECT 'USE ' + DMKKOD + ';' FROM DEMKART WHERE DMKKOD = 'A1'"
                                        << QStringList{"USE A1;"};
    QTest::newRow("numbers still added") << "SELECT 1 + 2, '3' + 4" << QStringList{"3", "7"};
    QTest::newRow("top") << "SELECT TOP 1 DMKKOD FROM DEMKART ORDER BY DMKKOD DESC" << QStringList{"A2"};
    QTest::newRow("top in a subquery") << "SELECT COUNT(*) FROM (SELECT TOP (1) * FROM DEMKART) AS X" << QStringList{"1"};
    QTest::newRow("variables of the server") << "SELECT @@ROWCOUNT + 0 * @@SPID" << QStringList{"0"};
}

void StandinSqlTest::tSqlFormsAreUnderstood()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, expected);
    OdbcBatch b = runIn(QStringLiteral("VEZ_001_2024"), sql);
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    QCOMPARE(b.resultSets().value(0).rows.value(0), expected);
}

void StandinSqlTest::twoClientsInDifferentDatabases()
{
    OdbcProbe first, second;
    QVERIFY(first.connect(m_server.odbcConnectionString()));
    QVERIFY(second.connect(m_server.odbcConnectionString()));
    QVERIFY(first.run(QStringLiteral("USE VEZ_001_2024")).ok);
    QVERIFY(second.run(QStringLiteral("USE VEZ_001_2023")).ok);
    QCOMPARE(first.run(QStringLiteral("SELECT DB_NAME()")).resultSets().value(0).rows.value(0).value(0),
             QStringLiteral("VEZ_001_2024"));
    QCOMPARE(second.run(QStringLiteral("SELECT DB_NAME()")).resultSets().value(0).rows.value(0).value(0),
             QStringLiteral("VEZ_001_2023"));
    QVERIFY(first.run(QStringLiteral("SELECT * FROM DEMKART")).ok);
    QVERIFY(second.run(QStringLiteral("SELECT * FROM DEMKART")).hasMessage(208));
}

void StandinSqlTest::useKeepsAnOpenTransaction()
{
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_002_2024"))));
    QVERIFY(probe.run(QStringLiteral("CREATE TABLE TX(N int)")).ok);
    QVERIFY(probe.run(QStringLiteral("BEGIN TRAN; INSERT INTO TX VALUES(1)")).ok);
    OdbcBatch refused = probe.run(QStringLiteral("USE VEZ_001_2024"));
    QVERIFY(!refused.ok);
    QCOMPARE(probe.currentCatalog(), QStringLiteral("VEZ_002_2024"));
    QVERIFY(probe.run(QStringLiteral("COMMIT")).ok);
    QVERIFY(probe.run(QStringLiteral("USE VEZ_001_2024")).ok);
    OdbcBatch b = probe.run(QStringLiteral("SELECT N FROM VEZ_002_2024..TX"));
    QCOMPARE(b.resultSets().value(0).rows, (QList<QStringList>{{"1"}}));
}

void StandinSqlTest::closingAPartlyReadResultCancelsIt()
{
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString()));
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, probe.handle(), &stmt);
    const char *sql = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
                      "SELECT i, 'satır ' || i FROM n";
    QVERIFY(SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR *)sql, SQL_NTS)));
    for (int k = 0; k < 10; ++k)
        QVERIFY(SQL_SUCCEEDED(SQLFetch(stmt)));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(SQL_SUCCEEDED(SQLCancel(stmt)));
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    // The connection is usable again at once: the server stopped sending the rest.
    OdbcBatch b = probe.run(QStringLiteral("SELECT 42"));
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    QCOMPARE(b.resultSets().value(0).rows.value(0).value(0), QStringLiteral("42"));
}

void StandinSqlTest::longTextComesBackWhole()
{
    const QString longText = QString(QStringLiteral("çığ")).repeated(3000); // 9000 characters
    OdbcBatch b = runIn(QStringLiteral("VEZ_002_2024"),
                        QStringLiteral("CREATE TABLE NOTES(V nvarchar(max)); INSERT INTO NOTES VALUES(N'%1'); "
                                       "SELECT V, LEN(V) FROM NOTES")
                            .arg(longText));
    QVERIFY2(b.ok, qPrintable(b.messages.value(0).text));
    auto row = b.resultSets().value(0).rows.value(0);
    QCOMPARE(row.value(1), QStringLiteral("9000"));
    QCOMPARE(row.value(0), longText);
}

void StandinSqlTest::preparedStatementsWithParameters()
{
    // SQLPrepare/SQLExecute and bound parameters go out as remote procedure calls.
    OdbcProbe probe;
    QVERIFY(probe.connect(m_server.odbcConnectionString(QStringLiteral("VEZ_001_2024"))));
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, probe.handle(), &stmt);
    QVERIFY(SQL_SUCCEEDED(SQLPrepare(stmt, (SQLCHAR *)"SELECT DMKKOD, DMKGIRTUTAR FROM DEMKART WHERE DMKKOD = ? AND DMKGIRTUTAR > ?",
                                     SQL_NTS)));
    std::u16string code = u"A1";
    SQLLEN codeLength = SQLLEN(code.size() * sizeof(char16_t));
    double minimum = 100.5;
    QVERIFY(SQL_SUCCEEDED(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 40, 0, code.data(),
                                           0, &codeLength)));
    QVERIFY(SQL_SUCCEEDED(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &minimum, 0, nullptr)));
    for (int round = 0; round < 2; ++round) { // the second run reuses the prepared handle
        SQLRETURN rc = SQLExecute(stmt);
        QVERIFY2(SQL_SUCCEEDED(rc), qPrintable(OdbcProbe::diagnostics(SQL_HANDLE_STMT, stmt).value(0).text));
        QVERIFY(SQL_SUCCEEDED(SQLFetch(stmt)));
        QCOMPARE(OdbcProbe::textOf(stmt, 1), QStringLiteral("A1"));
        QCOMPARE(OdbcProbe::textOf(stmt, 2), QStringLiteral("12345.670000000"));
        QCOMPARE(SQLFetch(stmt), SQLRETURN(SQL_NO_DATA));
        SQLCloseCursor(stmt);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

QTEST_GUILESS_MAIN(StandinSqlTest)
#include "tst_standinSql.moc"
