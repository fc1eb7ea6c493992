// The stand-in seen by FreeTDS's own tsql client, by a Browser query over UDP, and with
// the faults it injects on demand.
#include "OdbcProbe.h"
#include "standin/Net.h"
#include "standin/Server.h"
#include "tests/support/StandinServer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using yorsabat::testing::OdbcBatch;
using yorsabat::testing::OdbcProbe;
using yorsabat::testing::StandinServer;
namespace net = yorsabat::standin::net;

namespace {

// Runs tsql with commands on standard input; returns standard output and error together.
QString runTsql(quint16 port, const QString &user, const QString &password, const QString &commands)
{
    QProcess tsql;
    tsql.setProcessChannelMode(QProcess::MergedChannels);
    tsql.start(QStringLiteral("tsql"), {QStringLiteral("-H"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                                        QString::number(port), QStringLiteral("-U"), user, QStringLiteral("-P"), password,
                                        QStringLiteral("-v"), QStringLiteral("7.4")});
    if (!tsql.waitForStarted(5000))
        return QStringLiteral("<tsql did not start>");
    tsql.write(commands.toUtf8());
    tsql.closeWriteChannel();
    if (!tsql.waitForFinished(20000))
        tsql.kill();
    return QString::fromUtf8(tsql.readAll());
}

quint16 freeUdpPort()
{
    net::Socket s;
    std::uint16_t port = 0;
    std::string error;
    net::bindUdp("127.0.0.1", 0, s, port, error);
    return port;
}

// Sends one Browser request and waits briefly for the answer ("" if none came).
QByteArray browserAsk(quint16 port, const QByteArray &request)
{
    net::Socket s;
    std::uint16_t own = 0;
    std::string error;
    if (!net::bindUdp("127.0.0.1", 0, s, own, error))
        return {};
    net::Peer to;
    if (!net::makePeer("127.0.0.1", port, to))
        return {};
    if (!net::sendTo(s, request.constData(), std::size_t(request.size()), to))
        return {};
    if (s.waitReadable(1000) != 1)
        return {};
    char buffer[2048];
    net::Peer from;
    long n = net::receiveFrom(s, buffer, sizeof buffer, from);
    return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
}

} // namespace

class StandinClientsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tsqlLogsInAndRunsABatch();
    void tsqlIsRefusedAWrongPassword();
    void browserAnswersItsInstance_data();
    void browserAnswersItsInstance();
    void refusesEveryLoginOnDemand();
    void closesTheConnectionAfterNBatches();
    void delaysEveryAnswer();
    void parsesTheCommandLine_data();
    void parsesTheCommandLine();
    void survivesMalformedInput_data();
    void survivesMalformedInput();
};

void StandinClientsTest::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("tsql")).isEmpty())
        QSKIP("tsql (freetds-bin) is not installed");
}

void StandinClientsTest::tsqlLogsInAndRunsABatch()
{
    StandinServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString out = runTsql(server.port(), QStringLiteral("sa"), QStringLiteral("vqx"),
                                QStringLiteral("CREATE DATABASE VEZ_001_2024\ngo\nUSE VEZ_001_2024\n"
                                               "CREATE TABLE T(A int, B nvarchar(20))\n"
                                               "INSERT INTO T VALUES(7, N'Ağaç'), (8, NULL)\n"
                                               "SELECT A, B, DB_NAME() AS D FROM T ORDER BY A\ngo\n"
                                               "SELECT * FROM YOK\ngo\nquit\n"));
    QVERIFY2(out.contains(QStringLiteral("Changed database context to 'VEZ_001_2024'.")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("7\tAğaç\tVEZ_001_2024")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("8\tNULL\tVEZ_001_2024")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("Msg 208")) && out.contains(QStringLiteral("Invalid object name 'YOK'.")),
             qPrintable(out));
}

void StandinClientsTest::tsqlIsRefusedAWrongPassword()
{
    StandinServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString out = runTsql(server.port(), QStringLiteral("sa"), QStringLiteral("yanlis"), QStringLiteral("quit\n"));
    QVERIFY2(out.contains(QStringLiteral("Login failed for user 'sa'.")), qPrintable(out));
}

void StandinClientsTest::browserAnswersItsInstance_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");
    QTest::newRow("its instance") << QByteArray("\x04VEZ\0", 5) << true;
    QTest::newRow("instance name in another case") << QByteArray("\x04vez\0", 5) << true;
    QTest::newRow("another instance") << QByteArray("\x04SQLEXPRESS\0", 12) << false;
    QTest::newRow("all instances") << QByteArray("\x03", 1) << true;
    QTest::newRow("garbage") << QByteArray("\x7F\x01\x02", 3) << false;
}

void StandinClientsTest::browserAnswersItsInstance()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);
    const quint16 udp = freeUdpPort();
    QVERIFY(udp != 0);
    StandinServer server(StandinServer::Options{false, 0, {QStringLiteral("--browser-port"), QString::number(udp)}});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QByteArray reply = browserAsk(udp, request);
    if (!answered) {
        QVERIFY(reply.isEmpty());
        return;
    }
    QVERIFY(reply.size() > 3);
    QCOMPARE(quint8(reply[0]), quint8(0x05));
    const int size = quint8(reply[1]) | (quint8(reply[2]) << 8);
    QCOMPARE(size, reply.size() - 3);
    const QString text = QString::fromLatin1(reply.mid(3));
    QVERIFY2(text.contains(QStringLiteral(";InstanceName;VEZ;")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral(";tcp;%1;").arg(server.port())), qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral(";;")));
}

void StandinClientsTest::refusesEveryLoginOnDemand()
{
    StandinServer refusing(StandinServer::Options{false, 0, {QStringLiteral("--fault-refuse-logins")}});
    QVERIFY2(refusing.start(), qPrintable(refusing.errorText()));
    OdbcProbe first;
    QVERIFY(!first.connect(refusing.odbcConnectionString()));
    QVERIFY(first.connectError().contains(QStringLiteral("Login failed for user 'sa'.")));

    // The same fault switched on and off by a statement.
    StandinServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    OdbcProbe control;
    QVERIFY(control.connect(server.odbcConnectionString()));
    QVERIFY(control.run(QStringLiteral("STANDIN FAULT REFUSE LOGINS ON")).ok);
    OdbcProbe refused;
    QVERIFY(!refused.connect(server.odbcConnectionString()));
    QVERIFY(control.run(QStringLiteral("SELECT 1")).ok); // a connection already in keeps working
    QVERIFY(control.run(QStringLiteral("STANDIN FAULT NONE")).ok);
    OdbcProbe accepted;
    QVERIFY2(accepted.connect(server.odbcConnectionString()), qPrintable(accepted.connectError()));
    QVERIFY(control.run(QStringLiteral("STANDIN FAULT REFUSE LOGINS MAYBE")).hasMessage(102));
}

void StandinClientsTest::closesTheConnectionAfterNBatches()
{
    StandinServer server(StandinServer::Options{false, 0, {QStringLiteral("--fault-close-after"), QStringLiteral("3")}});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    OdbcProbe probe;
    QVERIFY(probe.connect(server.odbcConnectionString()));
    for (int k = 1; k <= 3; ++k)
        QVERIFY2(probe.run(QStringLiteral("SELECT %1").arg(k)).ok, qPrintable(QString::number(k)));
    OdbcBatch lost = probe.run(QStringLiteral("SELECT 4"));
    QVERIFY(!lost.ok);
    QVERIFY(lost.resultSets().isEmpty());
    // Each new connection gets its own three batches.
    OdbcProbe again;
    QVERIFY(again.connect(server.odbcConnectionString()));
    QVERIFY(again.run(QStringLiteral("SELECT 1")).ok);
}

void StandinClientsTest::delaysEveryAnswer()
{
    StandinServer server(StandinServer::Options{false, 0, {QStringLiteral("--fault-delay"), QStringLiteral("400")}});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    OdbcProbe probe;
    QVERIFY(probe.connect(server.odbcConnectionString()));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(probe.run(QStringLiteral("SELECT 1")).ok);
    QVERIFY2(timer.elapsed() >= 400, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(probe.run(QStringLiteral("STANDIN FAULT DELAY 0")).ok);
    timer.restart();
    QVERIFY(probe.run(QStringLiteral("SELECT 1")).ok);
    QVERIFY2(timer.elapsed() < 400, qPrintable(QString::number(timer.elapsed())));
}

void StandinClientsTest::parsesTheCommandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");   // empty: accepted
    QTest::addColumn<QString>("summary"); // port, browser port, logins, seed, rows
    QTest::newRow("defaults") << QStringList{"--data", "d"} << "" << "0 -1 sa:vqx 0 0";
    QTest::newRow("logins replace the default")
        << QStringList{"--data", "d", "--login", "SA:x:y", "--login", "u:"} << "" << "0 -1 sa:x:y,u: 0 0";
    QTest::newRow("browser on its own port") << QStringList{"--data", "d", "--browser"} << "" << "0 1434 sa:vqx 0 0";
    QTest::newRow("browser port") << QStringList{"--data", "d", "--browser-port", "0", "--port", "1433"} << ""
                                  << "1433 0 sa:vqx 0 0";
    QTest::newRow("seed with rows") << QStringList{"--data", "d", "--seed-demo", "--rows", "100000"} << ""
                                    << "0 -1 sa:vqx 1 100000";
    QTest::newRow("no data folder") << QStringList{"--port", "1"} << "--data DIR is required" << "";
    QTest::newRow("port out of range") << QStringList{"--data", "d", "--port", "70000"} << "--port: not a port number: 70000" << "";
    QTest::newRow("port not a number") << QStringList{"--data", "d", "--port", "-1"} << "--port: not a port number: -1" << "";
    QTest::newRow("value missing") << QStringList{"--data", "d", "--port"} << "--port needs a value" << "";
    QTest::newRow("login without password") << QStringList{"--data", "d", "--login", "sa"}
                                            << "--login takes USER:PASSWORD, got sa" << "";
    QTest::newRow("rows without seeding") << QStringList{"--data", "d", "--rows", "5"} << "--rows goes with --seed-demo" << "";
    QTest::newRow("unknown option") << QStringList{"--data", "d", "--verbose"} << "unknown option: --verbose" << "";
}

void StandinClientsTest::parsesTheCommandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(QString, summary);
    std::vector<std::string> argv;
    for (const QString &a : args)
        argv.push_back(a.toStdString());
    yorsabat::standin::ServerOptions options;
    bool seed = false, help = false;
    long rows = 0;
    std::string message;
    const bool ok = yorsabat::standin::parseOptions(argv, options, seed, rows, help, message);
    QCOMPARE(ok, error.isEmpty());
    if (!ok) {
        QCOMPARE(QString::fromStdString(message), error);
        return;
    }
    QStringList logins;
    for (const auto &[user, password] : options.logins)
        logins.append(QString::fromStdString(user + ":" + password));
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(options.port)
                 .arg(options.browserPort)
                 .arg(logins.join(QLatin1Char(',')))
                 .arg(int(seed))
                 .arg(rows),
             summary);
}

void StandinClientsTest::survivesMalformedInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    auto packet = [](char type, const QByteArray &payload) {
        QByteArray p;
        const int length = payload.size() + 8;
        p.append(type).append(char(0x01)).append(char(length >> 8)).append(char(length & 0xFF));
        p.append(QByteArray(4, '\0')).append(payload);
        return p;
    };
    QTest::newRow("header shorter than itself") << QByteArray("\x12\x01\x00\x03\x00\x00\x00\x00", 8);
    QTest::newRow("truncated packet") << QByteArray("\x12\x01\x10\x00\x00\x00\x00\x00abc", 11);
    QTest::newRow("login too short") << packet(0x10, QByteArray(20, 'x'));
    QByteArray login(94, '\0');
    for (int at = 36; at < 90; at += 4) { // every offset and length far beyond the packet
        login[at] = char(0xF0);
        login[at + 1] = char(0xFF);
        login[at + 2] = char(0xFF);
        login[at + 3] = char(0x7F);
    }
    QTest::newRow("login with wild offsets") << packet(0x10, login);
    QTest::newRow("batch before login") << packet(0x01, QByteArray("S\0E\0L\0", 6));
    QTest::newRow("random bytes") << QByteArray::fromHex("deadbeef00ff12a5c3").repeated(50);
}

void StandinClientsTest::survivesMalformedInput()
{
    QFETCH(QByteArray, bytes);
    StandinServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    {
        // A raw TCP client: the server must answer with at most a refusal and go on serving.
        net::Socket s;
        net::Peer to;
        QVERIFY(net::makePeer("127.0.0.1", server.port(), to));
        QVERIFY(net::connectTcp(to, s));
        s.writeAll(bytes.constData(), std::size_t(bytes.size()));
        s.waitReadable(300);
    }
    OdbcProbe probe;
    QVERIFY2(probe.connect(server.odbcConnectionString()), qPrintable(probe.connectError()));
    QVERIFY(probe.run(QStringLiteral("SELECT 1")).ok);
}

QTEST_GUILESS_MAIN(StandinClientsTest)
#include "tst_standinClients.moc"
