// The texts the server road builds: the connection string and its statements.
#include "server/ConnectionString.h"
#include "server/DatabaseList.h"
#include "server/ServerConnection.h"
#include "server/TableBrowser.h"

#include <QtTest>

using namespace yorsabat::server;

class RoadStatements : public QObject
{
    Q_OBJECT
private slots:
    void connectionString_data();
    void connectionString();
    void prefixGoesInAsTyped();
    void databaseListQuery_data();
    void databaseListQuery();
    void tableListQuery_data();
    void tableListQuery();
    void useQuotesTheName_data();
    void useQuotesTheName();
};

void RoadStatements::connectionString_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("expected");

    const QString prefix = QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;");
    QTest::newRow("defaults") << prefix << "sa" << "vqx" << ".\\VEZ"
                              << prefix + "User ID=sa;Password=vqx;Data Source=.\\VEZ";
    QTest::newRow("empty login") << prefix << "" << "" << "host,1433"
                                 << prefix + "User ID=;Password=;Data Source=host,1433";
    QTest::newRow("empty prefix") << "" << "sa" << "p" << "h" << "User ID=sa;Password=p;Data Source=h";
    QTest::newRow("equals signs, inner quotes and Turkish letters stay")
        << prefix << "şükrü" << "a=b\"c'd ı" << "srv\\İ" << prefix + "User ID=şükrü;Password=a=b\"c'd ı;Data Source=srv\\İ";
    QTest::newRow("outer blanks quoted, else they would be trimmed")
        << prefix << " sa" << "p " << "h" << prefix + "User ID=\" sa\";Password=\"p \";Data Source=h";
    QTest::newRow("semicolon: double quotes") << prefix << "sa" << "a;b" << "h"
                                              << prefix + "User ID=sa;Password=\"a;b\";Data Source=h";
    QTest::newRow("leading single quote") << prefix << "sa" << "'x" << "h"
                                          << prefix + "User ID=sa;Password=\"'x\";Data Source=h";
    QTest::newRow("semicolon and double quote: single quotes")
        << prefix << "sa" << "a;\"b" << "h" << prefix + "User ID=sa;Password='a;\"b';Data Source=h";
    QTest::newRow("leading double quote") << prefix << "sa" << "\"x" << "h"
                                          << prefix + "User ID=sa;Password='\"x';Data Source=h";
    QTest::newRow("both quotes: double quotes doubled")
        << prefix << "sa" << "\"a;'b\"" << "h" << prefix + "User ID=sa;Password=\"\"\"a;'b\"\"\";Data Source=h";
    QTest::newRow("user and server quoted alike") << prefix << "u;1" << "p" << "h;x"
                                                  << prefix + "User ID=\"u;1\";Password=p;Data Source=\"h;x\"";
}

void RoadStatements::connectionString()
{
    QFETCH(QString, prefix);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, server);
    QFETCH(QString, expected);
    const QString built = buildConnectionString(prefix, user, password, server);
    QCOMPARE(built, expected);

    // Whatever the boxes hold, the layer reads back exactly the typed values.
    const ConnectionAttributes pairs = parseOleDbConnectionString(built);
    QVERIFY(pairs.size() >= 3);
    QCOMPARE(pairs.at(pairs.size() - 3), std::make_pair(QStringLiteral("User ID"), user));
    QCOMPARE(pairs.at(pairs.size() - 2), std::make_pair(QStringLiteral("Password"), password));
    QCOMPARE(pairs.at(pairs.size() - 1), std::make_pair(QStringLiteral("Data Source"), server));
}

void RoadStatements::prefixGoesInAsTyped()
{
    // No separator is added: a prefix without its ";" runs into "User ID".
    QCOMPARE(buildConnectionString(QStringLiteral("Provider=SQLOLEDB.1"), QStringLiteral("sa"),
                                   QStringLiteral("p"), QStringLiteral("h")),
             QStringLiteral("Provider=SQLOLEDB.1User ID=sa;Password=p;Data Source=h"));
}

void RoadStatements::databaseListQuery_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("showMaster");
    QTest::addColumn<QString>("expected");

    const QString head = QStringLiteral("SELECT name,filename FROM master.dbo.sysdatabases WHERE name like '");
    const QString withMasters = QStringLiteral("' and name NOT IN ('master','model','msdb','tempdb') ");
    const QString withoutMasters = QStringLiteral(
        "' and name NOT IN ('master','model','msdb','tempdb','VEZ_MASTERV8','VEZ_MASTER','VEZ_MASTERSB') ");
    QTest::newRow("default pattern") << "VEZ_%_2024%" << false << head + "VEZ_%_2024%" + withoutMasters;
    QTest::newRow("master box checked") << "%" << true << head + "%" + withMasters;
    QTest::newRow("empty") << "" << false << head + withoutMasters;
    QTest::newRow("blanks kept") << " VEZ% " << true << head + " VEZ% " + withMasters;
    QTest::newRow("quotes doubled") << "O'Ne'%" << false << head + "O''Ne''%" + withoutMasters;
    QTest::newRow("injection stays inside the literal")
        << "x' OR 1=1 --" << false << head + "x'' OR 1=1 --" + withoutMasters;
}

void RoadStatements::databaseListQuery()
{
    QFETCH(QString, pattern);
    QFETCH(bool, showMaster);
    QFETCH(QString, expected);
    QCOMPARE(databaseListSql(pattern, showMaster), expected);
}

void RoadStatements::tableListQuery_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "" << "select name from sys.tables Where name Like '%'";
    QTest::newRow("prefix with wildcard") << "DEM_" << "select name from sys.tables Where name Like 'DEM_%'";
    QTest::newRow("quote") << "a'" << "select name from sys.tables Where name Like 'a''%'";
}

void RoadStatements::tableListQuery()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(tableListSql(filter), expected);
}

void RoadStatements::useQuotesTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "VEZ_001_2024" << "USE [VEZ_001_2024]";
    QTest::newRow("blank") << "VEZ 001" << "USE [VEZ 001]";
    QTest::newRow("closing bracket doubled") << "a]b]" << "USE [a]]b]]]";
    QTest::newRow("opening bracket and quote kept") << "[x'" << "USE [[x']";
}

void RoadStatements::useQuotesTheName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(useStatement(name), expected);
}

QTEST_GUILESS_MAIN(RoadStatements)
#include "tst_roadStatements.moc"
