// The connect button, the database list and the table browser against the
// stand-in server, over TCP through the ODBC driver.
#include "server/Connection.h"
#include "server/DatabaseList.h"
#include "server/Query.h"
#include "server/ServerConnection.h"
#include "server/TableBrowser.h"
#include "shell/Error.h"
#include "shell/PlainPorts.h"
#include "tests/support/StandinServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace yorsabat;
using namespace yorsabat::server;
using testing::StandinServer;

namespace {

// The real settings file of the working directory, with a count of the saves
// and, on demand, a refused write.
struct RecordingSettings : SettingsFileLogin
{
    int saves = 0;
    bool refuse = false;
    bool connectionOpenAtSave = false;
    const Connection *connection = nullptr;
    void saveLogin(const TextBox &authentication, const TextBox &server, const TextBox &user,
                   const TextBox &password) override
    {
        ++saves;
        connectionOpenAtSave = connection && connection->isOpen();
        if (refuse)
            throw Error(QStringLiteral("Unable to write to /nowhere/Yorsabat.INI"));
        SettingsFileLogin::saveLogin(authentication, server, user, password);
    }
};

struct PlainGrid : GridCursor
{
    int row = 0;
    int currentRow() const override { return row; }
};

// The main window's controls and data objects around the three commands.
struct Window
{
    plain::Caption button{ServerConnection::connectCaption};
    bool listOnOtherConnection = false;
    plain::TextBox authentication{QStringLiteral("SQL Server Yetkilendirmesi")};
    plain::TextBox server;
    plain::TextBox user{QStringLiteral("sa")};
    plain::TextBox password{QStringLiteral("vqx")};
    plain::TextBox prefix{QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;")};
    plain::TextBox pattern{QStringLiteral("VEZ_%_2024%")};
    plain::TextBox filter;
    plain::Toggle showMaster;
    plain::BusyCursor busy;
    plain::StatusLine status;
    plain::CheckList list;
    plain::Editor editor;
    PlainGrid grid;
    RecordingSettings settings;

    Connection connection;
    Connection otherConnection; // a list query that cannot reach the server, when asked for
    Query query1{connection, QStringLiteral("ADOQuery1")};
    Query query2{listOnOtherConnection ? otherConnection : connection, QStringLiteral("ADOQuery2")};
    Query query3{connection, QStringLiteral("ADOQuery3")};
    DatabaseList databases{query2, {list, pattern, showMaster, busy, status}};
    ServerConnection connector{connection, databases, settings,
                               {button, authentication, server, user, password, prefix, busy, status}};
    TableBrowser browser{connection, query1, query3, {list, filter, editor, grid, status}};

    explicit Window(quint16 port, bool listOnOtherConnection = false)
        : listOnOtherConnection(listOnOtherConnection), server(QStringLiteral("127.0.0.1,%1").arg(port))
    {
        settings.connection = &connection;
    }

    // Opens the connection as a connect would, without the button, and
    // forgets the after-connect step's status line write.
    void open()
    {
        connection.setConnectionString(buildConnectionString(prefix.text(), user.text(), password.text(),
                                                             server.text()));
        connection.open();
        status.writes.clear();
    }
    void use(const QString &database)
    {
        query1.setSql(useStatement(database));
        query1.execSql();
    }
    void setList(const QList<QPair<QString, bool>> &items) { list.items = items; }

    QStringList items() const
    {
        QStringList names;
        for (const auto &item : list.items)
            names << item.first;
        return names;
    }
    QStringList tables() const
    {
        QStringList names;
        if (const ResultSet *rows = query3.result())
            for (std::int64_t row = 0; row < rows->rowCount(); ++row)
                names << rows->asText(row, 0);
        return names;
    }
};

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// Runs a command that must fail; returns its message.
template <typename F>
QString failure(F &&command)
{
    try {
        command();
    } catch (const Error &error) {
        return error.message();
    }
    return QStringLiteral("<no error>"); // noError
}

const QString noError = QStringLiteral("<no error>");

} // namespace

// A command that must succeed; its error fails the test with the server's log.
#define SUCCEEDS(command)                                                                           \
    do {                                                                                            \
        const QString error_ = failure([&] { command; });                                           \
        QVERIFY2(error_ == noError, qPrintable(error_ + QLatin1Char('\n') + m_server->standardError())); \
    } while (false)

class RoadServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void connectDisconnectConnect();
    void failingLogin_data();
    void failingLogin();
    void passwordWithSemicolonLogsIn();
    void failureAfterOpenLeavesCaption_data();
    void failureAfterOpenLeavesCaption();

    void listFill_data();
    void listFill();
    void plusRechecksEveryItem();

    void listClick_data();
    void listClick();
    void failingUseKeepsGrid();
    void filterTyping_data();
    void filterTyping();
    void doubleClickAppendsQuery();
    void doubleClickBeforeAnyTableList();
    void closedConnectionReopens();

private:
    QTemporaryDir m_workDir;
    std::unique_ptr<StandinServer> m_server;
};

namespace {

const QStringList company2024 = {QStringLiteral("VEZ_001_2024"), QStringLiteral("VEZ_002_2024"),
                                 QStringLiteral("VEZ_003_2024"), QStringLiteral("VEZ_004_2024"),
                                 QStringLiteral("VEZ_005_2024")};
const QStringList packageMasters = {QStringLiteral("VEZ_MASTER"), QStringLiteral("VEZ_MASTERV8"),
                                    QStringLiteral("VEZ_MASTERSB")};
// Besides the demo instance: a name that only begins like a master database,
// and one with a quote.
const QString masterLookalike = QStringLiteral("VEZ_MASTERX");
const QString quotedName = QStringLiteral("O'NEIL");
const QStringList otherDatabases = {QStringLiteral("VEZ_001_2023"), QStringLiteral("VEZ ARSIV 2022"),
                                    QStringLiteral("PERSONEL_TAKIP"), masterLookalike, quotedName};
const QStringList companyTables = {QStringLiteral("DEMHAR"), QStringLiteral("DEMKART"),
                                   QStringLiteral("MUHHAR"), QStringLiteral("SABITLER")};

// Every company database gets a table of its own, so a table list shows
// which database it was read from.
QString markerTable(const QString &database)
{
    return QStringLiteral("MARK_") + QString(database).replace(QLatin1Char(' '), QLatin1Char('_'));
}

QStringList markers(const QStringList &tables)
{
    return tables.filter(QRegularExpression(QStringLiteral("^MARK_")));
}

QString settingsPath()
{
    return QDir::current().filePath(QStringLiteral("Yorsabat.INI"));
}

QStringList settingsLines()
{
    QFile file(settingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")),
                                                   Qt::SkipEmptyParts);
}

} // namespace

void RoadServer::initTestCase()
{
    QVERIFY(m_workDir.isValid());
    QVERIFY(QDir::setCurrent(m_workDir.path()));

    StandinServer::Options options;
    options.seedDemo = true;
    m_server = std::make_unique<StandinServer>(options);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));

    Window setup(m_server->port());
    setup.open();
    setup.query1.setSql(QStringLiteral("CREATE DATABASE [%1]").arg(masterLookalike));
    setup.query1.execSql();
    setup.query1.setSql(QStringLiteral("CREATE DATABASE [O'NEIL]"));
    setup.query1.execSql();
    for (const QString &database : company2024 + QStringList{QStringLiteral("VEZ ARSIV 2022")}) {
        setup.use(database);
        setup.query1.setSql(QStringLiteral("CREATE TABLE %1 (a int)").arg(markerTable(database)));
        setup.query1.execSql();
    }
}

void RoadServer::init()
{
    QFile::remove(settingsPath());
}

void RoadServer::connectDisconnectConnect()
{
    Window w(m_server->port());
    w.authentication.value = QStringLiteral("Windows Yetkilendirmesi");

    SUCCEEDS(w.connector.Button5Click());
    QCOMPARE(w.button.value, QStringLiteral("Bağlandı"));
    QVERIFY(w.connection.isOpen());
    QCOMPARE(sorted(w.items()), company2024);
    for (const auto &item : w.list.items)
        QVERIFY2(item.second, qPrintable(item.first));
    // The after-connect step shows the login's database, the fill the count.
    QCOMPARE(w.status.writes, QStringList({QStringLiteral("master"), QStringLiteral("5")}));
    // On at the start, again before the fill and by the fill itself; off at its end.
    QCOMPARE(w.busy.ons, 3);
    QVERIFY(!w.busy.busy);
    QCOMPARE(w.settings.saves, 1);
    QVERIFY(w.settings.connectionOpenAtSave);
    QCOMPARE(settingsLines(), QStringList({QStringLiteral("[MSSQL]"),
                                           QStringLiteral("Yetkilendirme=Windows Yetkilendirmesi"),
                                           QStringLiteral("Sunucu=") + w.server.value,
                                           QStringLiteral("Kullanici=sa"), QStringLiteral("Parola=vqx")}));

    w.list.items[1].second = false;
    SUCCEEDS(w.connector.Button5Click());
    QCOMPARE(w.button.value, QStringLiteral("Bağlan"));
    QVERIFY(!w.connection.isOpen());
    QCOMPARE(w.list.count(), 5);
    QVERIFY(!w.list.items[1].second);
    QCOMPARE(w.status.writes.size(), 2);
    QCOMPARE(w.busy.ons, 3);
    QCOMPARE(w.settings.saves, 1);

    SUCCEEDS(w.connector.Button5Click());
    QCOMPARE(w.button.value, QStringLiteral("Bağlandı"));
    QCOMPARE(sorted(w.items()), company2024);
    QVERIFY(w.list.items[1].second);
    QCOMPARE(w.status.value, QStringLiteral("5"));
    QCOMPARE(w.settings.saves, 2);
}

void RoadServer::failingLogin_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("port"); // 0: the demo server's
    QTest::addColumn<QString>("message");

    QTest::newRow("refused login") << "wrong" << 0 << "Login failed for user 'sa'.";
    // A server that stopped leaves a port nobody listens on.
    StandinServer gone;
    QVERIFY2(gone.start(), qPrintable(gone.errorText()));
    const int closedPort = gone.port();
    gone.stop();
    QTest::newRow("nobody listening") << "vqx" << closedPort << "";
    QTest::newRow("server that does not answer") << "vqx" << -1 << "";
}

void RoadServer::failingLogin()
{
    QFETCH(QString, password);
    QFETCH(int, port);
    QFETCH(QString, message);

    std::unique_ptr<StandinServer> silent;
    if (port < 0) {
        StandinServer::Options options;
        options.extraArguments = {QStringLiteral("--fault-delay"), QStringLiteral("5000")};
        silent = std::make_unique<StandinServer>(options);
        QVERIFY2(silent->start(), qPrintable(silent->errorText()));
        port = silent->port();
    }
    Window w(port > 0 ? quint16(port) : m_server->port());
    w.password.value = password;
    w.setList({{QStringLiteral("kept"), false}});
    w.status.setText(QStringLiteral("before"));

    QElapsedTimer clock;
    clock.start();
    const QString error = failure([&] { w.connector.Button5Click(); });
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(error != noError, "the connect did not fail");
    if (!message.isEmpty())
        QVERIFY2(error.contains(message), qPrintable(error));
    // The one-second login timeout bounds it; a driver's own retries would take far longer.
    QVERIFY2(elapsed < 4000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));

    QCOMPARE(w.button.value, QStringLiteral("Bağlan"));
    QVERIFY(!w.connection.isOpen());
    QCOMPARE(w.connection.connectionString(),
             buildConnectionString(w.prefix.value, w.user.value, w.password.value, w.server.value));
    QCOMPARE(w.settings.saves, 0);
    QVERIFY(!QFile::exists(settingsPath()));
    QCOMPARE(w.items(), QStringList{QStringLiteral("kept")});
    QCOMPARE(w.status.writes, QStringList{QStringLiteral("before")});
}

void RoadServer::passwordWithSemicolonLogsIn()
{
    // ";" would end the value and a leading quote open a quoted one: both
    // reach the server as typed.
    const QString password = QStringLiteral("'ş;i=fre\"");
    StandinServer::Options options;
    options.extraArguments = {QStringLiteral("--login"), QStringLiteral("ayşe:") + password};
    StandinServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));

    Window w(server.port());
    w.user.value = QStringLiteral("ayşe");
    w.password.value = password;
    w.connector.Button5Click();
    QCOMPARE(w.button.value, QStringLiteral("Bağlandı"));
    // Nothing of the demo instance here: the status line shows a bare 0.
    QCOMPARE(w.list.count(), 0);
    QCOMPARE(w.status.value, QStringLiteral("0"));
    QVERIFY(settingsLines().contains(QStringLiteral("Parola=") + password));
}

void RoadServer::failureAfterOpenLeavesCaption_data()
{
    QTest::addColumn<bool>("settingsRefused");
    QTest::newRow("settings file refused") << true;
    QTest::newRow("database list failed") << false;
}

void RoadServer::failureAfterOpenLeavesCaption()
{
    QFETCH(bool, settingsRefused);

    Window w(m_server->port(), !settingsRefused);
    w.settings.refuse = settingsRefused;
    if (!settingsRefused) // the list query's connection points at a port nobody listens on
        w.otherConnection.setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;User ID=sa;Password=vqx;"
                                                             "Data Source=127.0.0.1,1"));
    w.setList({{QStringLiteral("kept"), true}});

    QVERIFY(failure([&] { w.connector.Button5Click(); }) != noError);
    QVERIFY(w.connection.isOpen());
    QCOMPARE(w.button.value, QStringLiteral("Bağlan"));
    QCOMPARE(w.settings.saves, 1);
    QCOMPARE(w.items(), settingsRefused ? QStringList{QStringLiteral("kept")} : QStringList{});

    // The connection stays open under the caption "Bağlan": every further
    // click fails setting the connection string, and changes nothing.
    const QStringList status = w.status.writes;
    const QString held = w.connection.connectionString();
    w.password.value = QStringLiteral("other");
    const QString error = failure([&] { w.connector.Button5Click(); });
    QVERIFY(error != noError);
    QVERIFY(w.connection.isOpen());
    QCOMPARE(w.connection.connectionString(), held);
    QCOMPARE(w.button.value, QStringLiteral("Bağlan"));
    QCOMPARE(w.settings.saves, 1);
    QCOMPARE(w.status.writes, status);

    // The other commands keep working on the open connection.
    w.browser.Edit9Change();
    QVERIFY(w.query3.isOpen());
}

void RoadServer::listFill_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("showMaster");
    QTest::addColumn<QStringList>("expected");

    const QStringList all = company2024 + otherDatabases;
    QTest::newRow("default pattern") << "VEZ_%_2024%" << false << company2024;
    QTest::newRow("underscores are wildcards") << "VEZ_00__2024" << false << company2024;
    QTest::newRow("everything, master databases hidden") << "%" << false << sorted(all);
    QTest::newRow("everything, master databases shown") << "%" << true << sorted(all + packageMasters);
    QTest::newRow("only the exact master names are left out")
        << "VEZ_MASTER%" << false << QStringList{masterLookalike};
    QTest::newRow("master box on") << "VEZ_MASTER%" << true << sorted(packageMasters + QStringList{masterLookalike});
    QTest::newRow("system databases never") << "m%" << true << QStringList{};
    QTest::newRow("empty pattern") << "" << false << QStringList{};
    QTest::newRow("a quote matches a quote") << "O'%" << false << QStringList{quotedName};
    QTest::newRow("a quote cannot end the literal") << "x' OR 1=1 --" << true << QStringList{};
}

void RoadServer::listFill()
{
    QFETCH(QString, pattern);
    QFETCH(bool, showMaster);
    QFETCH(QStringList, expected);

    Window w(m_server->port());
    w.open();
    w.pattern.value = pattern;
    w.showMaster.checked = showMaster;
    w.setList({{QStringLiteral("stale"), false}});

    w.databases.DEMBut1Click();
    QCOMPARE(sorted(w.items()), expected);
    for (const auto &item : w.list.items)
        QVERIFY(item.second);
    QCOMPARE(w.status.writes, QStringList{QString::number(expected.size())});
    QCOMPARE(w.busy.ons, 1);
    QVERIFY(!w.busy.busy);
}

void RoadServer::plusRechecksEveryItem()
{
    Window w(m_server->port());
    w.open();
    w.databases.DEMBut1Click();
    const QStringList first = w.items();
    w.list.setChecked(0, false);
    w.list.setChecked(3, false);

    w.databases.DEMBut1Click();
    QCOMPARE(w.items(), first);
    for (const auto &item : w.list.items)
        QVERIFY(item.second);
}

void RoadServer::listClick_data()
{
    QTest::addColumn<QList<bool>>("checks");
    QTest::addColumn<QStringList>("switches"); // status line writes, in order
    QTest::addColumn<QString>("current");

    // The list: VEZ_001_2024, VEZ ARSIV 2022, VEZ_003_2024, VEZ_005_2024;
    // VEZ_002_2024 is current before the click.
    QTest::newRow("all") << QList<bool>{true, true, true, true}
                         << QStringList{"VEZ_001_2024", "VEZ ARSIV 2022", "VEZ_003_2024", "VEZ_005_2024"}
                         << "VEZ_005_2024";
    QTest::newRow("none") << QList<bool>{false, false, false, false} << QStringList{} << "VEZ_002_2024";
    QTest::newRow("one in the middle") << QList<bool>{false, false, true, false} << QStringList{"VEZ_003_2024"}
                                                   << "VEZ_003_2024";
    QTest::newRow("name with blanks") << QList<bool>{true, true, false, false}
                                      << QStringList{"VEZ_001_2024", "VEZ ARSIV 2022"} << "VEZ ARSIV 2022";
}

void RoadServer::listClick()
{
    QFETCH(QList<bool>, checks);
    QFETCH(QStringList, switches);
    QFETCH(QString, current);

    Window w(m_server->port());
    w.open();
    w.use(QStringLiteral("VEZ_002_2024"));
    const QStringList names = {"VEZ_001_2024", "VEZ ARSIV 2022", "VEZ_003_2024", "VEZ_005_2024"};
    for (int i = 0; i < names.size(); ++i)
        w.list.items.append({names[i], checks[i]});
    const auto before = w.list.items;

    w.browser.CheckListBox1Click();
    QCOMPARE(w.status.writes, switches);
    QCOMPARE(w.connection.defaultDatabase(), current);
    const QStringList tables = w.tables();
    QCOMPARE(markers(tables), QStringList{markerTable(current)});
    for (const QString &table : companyTables)
        QVERIFY(tables.contains(table));
    QCOMPARE(w.list.items, before);
    QCOMPARE(w.busy.ons, 0);
}

void RoadServer::failingUseKeepsGrid()
{
    Window w(m_server->port());
    w.open();
    w.use(QStringLiteral("VEZ_004_2024"));
    w.browser.Edit9Change();
    QCOMPARE(markers(w.tables()), QStringList{markerTable(QStringLiteral("VEZ_004_2024"))});

    w.setList({{QStringLiteral("VEZ_001_2024"), true},
               {QStringLiteral("VEZ_LOST"), true},
               {QStringLiteral("VEZ_003_2024"), true}});
    const QString error = failure([&] { w.browser.CheckListBox1Click(); });
    QVERIFY2(error.contains(QLatin1String("VEZ_LOST")), qPrintable(error));
    QCOMPARE(w.status.writes, QStringList{QStringLiteral("VEZ_001_2024")});
    QCOMPARE(w.connection.defaultDatabase(), QStringLiteral("VEZ_001_2024"));
    QCOMPARE(markers(w.tables()), QStringList{markerTable(QStringLiteral("VEZ_004_2024"))});
}

void RoadServer::filterTyping_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty: every table") << "" << sorted(companyTables + QStringList{"MARK_VEZ_001_2024"});
    QTest::newRow("one letter") << "D" << QStringList{"DEMHAR", "DEMKART"};
    QTest::newRow("a prefix, not a part") << "HAR" << QStringList{};
    QTest::newRow("underscore wildcard") << "_UH" << QStringList{"MUHHAR"};
    QTest::newRow("percent wildcard") << "%KART" << QStringList{"DEMKART"};
    QTest::newRow("quote") << "D'" << QStringList{};
}

void RoadServer::filterTyping()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);

    Window w(m_server->port());
    w.open();
    w.use(QStringLiteral("VEZ_001_2024"));
    w.filter.value = filter;
    w.browser.Edit9Change();
    QCOMPARE(sorted(w.tables()), expected);
    QCOMPARE(w.connection.defaultDatabase(), QStringLiteral("VEZ_001_2024"));
}

void RoadServer::doubleClickAppendsQuery()
{
    Window w(m_server->port());
    w.open();
    w.use(QStringLiteral("VEZ_001_2024"));
    w.editor.lines = QStringList{QStringLiteral("select 1"), QString()};

    w.filter.value = QStringLiteral("DEMK");
    w.browser.Edit9Change();
    w.grid.row = 0;
    w.browser.DBGrid2DblClick();

    w.filter.value = QStringLiteral("");
    w.browser.Edit9Change();
    w.grid.row = 2;
    const QString third = w.tables().at(2);
    w.browser.DBGrid2DblClick();

    // A grid without rows: the name is empty.
    w.filter.value = QStringLiteral("ZZZ");
    w.browser.Edit9Change();
    w.grid.row = -1;
    w.browser.DBGrid2DblClick();

    QCOMPARE(w.editor.lines, QStringList({QStringLiteral("select 1"), QString(),
                                          QStringLiteral("SELECT * FROM DEMKART "),
                                          QStringLiteral("SELECT * FROM ") + third + QLatin1Char(' '),
                                          QStringLiteral("SELECT * FROM  ")}));
}

void RoadServer::doubleClickBeforeAnyTableList()
{
    Window w(m_server->port());
    w.editor.lines = QStringList{QStringLiteral("kept")};
    QCOMPARE(failure([&] { w.browser.DBGrid2DblClick(); }),
             QStringLiteral("ADOQuery3: Field 'name' not found."));
    QCOMPARE(w.editor.lines, QStringList{QStringLiteral("kept")});
}

void RoadServer::closedConnectionReopens()
{
    Window w(m_server->port());
    w.connector.Button5Click();
    w.connector.Button5Click();
    QVERIFY(!w.connection.isOpen());
    w.status.writes.clear();

    // A click in the list opens the connection again with the last string.
    w.list.items = {{QStringLiteral("VEZ_003_2024"), true}};
    w.browser.CheckListBox1Click();
    QVERIFY(w.connection.isOpen());
    QCOMPARE(w.status.writes, QStringList({QStringLiteral("master"), QStringLiteral("VEZ_003_2024")}));
    QCOMPARE(w.button.value, QStringLiteral("Bağlan"));

    // The caption says connect, the connection is open: the click fails at
    // setting the string.
    QVERIFY(failure([&] { w.connector.Button5Click(); }) != noError);
    QCOMPARE(w.button.value, QStringLiteral("Bağlan"));
    QVERIFY(w.connection.isOpen());
    QCOMPARE(w.settings.saves, 1);

    // "+" on a closed connection opens it as well.
    w.connection.close();
    w.databases.DEMBut1Click();
    QVERIFY(w.connection.isOpen());
    QCOMPARE(w.list.count(), 5);
}

QTEST_GUILESS_MAIN(RoadServer)
#include "tst_roadServer.moc"
