#include "server/BrowserResolver.h"
#include "server/ConnectionString.h"
#include "shell/Error.h"

#include <QElapsedTimer>
#include <QTest>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#endif

using namespace yorsabat::server;

namespace {

const QStringList freeTdsOnly = {QStringLiteral("FreeTDS")};
const QString prefix = QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;");

#ifndef _WIN32
// A UDP socket on a free loopback port: answers each request with the given
// bytes (nothing when empty) and records what it was sent.
class FakeBrowser
{
public:
    explicit FakeBrowser(QByteArray answer) : m_answer(std::move(answer))
    {
        m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeBrowser()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_socket);
    }
    int port() const { return m_port; }
    QByteArray lastRequest() const { return m_request; }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd p{m_socket, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buffer[2048];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const auto n = ::recvfrom(m_socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
            if (n <= 0)
                continue;
            m_request = QByteArray(buffer, int(n));
            if (!m_answer.isEmpty())
                ::sendto(m_socket, m_answer.constData(), m_answer.size(), 0, reinterpret_cast<sockaddr *>(&from), length);
        }
    }
    QByteArray m_answer;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    QByteArray m_request;
};
#endif

QByteArray browserAnswer(const QByteArray &text)
{
    QByteArray a;
    a += char(0x05);
    a += char(text.size() & 0xff);
    a += char((text.size() >> 8) & 0xff);
    return a + text;
}

} // namespace

class TestConnectionString : public QObject
{
    Q_OBJECT
private slots:
    void oleDbParsing_data();
    void oleDbParsing();
    void badStrings_data();
    void badStrings();
    void quotingRoundTrips_data();
    void quotingRoundTrips();
    void translation_data();
    void translation();
    void microsoftDriverWhenRegistered();
    void browserAnswers_data();
    void browserAnswers();
    void resolverAsksOnceAndReadsThePort();
    void resolverGivesUpWithinTheTimeout();
};

void TestConnectionString::oleDbParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pairs"); // key, value, key, value ...
    QTest::newRow("plain") << "Provider=SQLOLEDB.1;User ID=sa" << QStringList{"Provider", "SQLOLEDB.1", "User ID", "sa"};
    QTest::newRow("blanks trimmed, empty pairs skipped") << " ; User ID = sa ;; Password= ; "
                                                         << QStringList{"User ID", "sa", "Password", ""};
    QTest::newRow("double quoted with ;") << "Password=\"a;b\"\"c\";X=1" << QStringList{"Password", "a;b\"c", "X", "1"};
    QTest::newRow("single quoted") << "Password='it''s';" << QStringList{"Password", "it's"};
    QTest::newRow("quote inside a plain value") << "Password=ab\"c" << QStringList{"Password", "ab\"c"};
    QTest::newRow("== in a key") << "a==b=c" << QStringList{"a=b", "c"};
    QTest::newRow("= in a value") << "Password=a=b" << QStringList{"Password", "a=b"};
    QTest::newRow("backslash kept") << "Data Source=.\\VEZ" << QStringList{"Data Source", ".\\VEZ"};
    QTest::newRow("Turkish") << "Password=şifre1Ğ" << QStringList{"Password", "şifre1Ğ"};
}

void TestConnectionString::oleDbParsing()
{
    QFETCH(QString, text);
    QFETCH(QStringList, pairs);
    QStringList got;
    for (const auto &[k, v] : parseOleDbConnectionString(text))
        got << k << v;
    QCOMPARE(got, pairs);
}

void TestConnectionString::badStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("no =") << prefix + "User ID=sa;garbage;Data Source=x" << "'garbage' has no '='";
    QTest::newRow("unclosed quote") << prefix + "Password=\"abc;Data Source=x" << "no closing quote";
    QTest::newRow("text after quote") << prefix + "Password=\"a\"b;Data Source=x" << "after the quoted value of 'Password'";
    QTest::newRow("other provider") << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x" << "'Microsoft.Jet.OLEDB.4.0' is not a SQL Server provider";
    QTest::newRow("prefix without ;") << "Provider=SQLOLEDB.1User ID=sa;Data Source=x" << "is not a SQL Server provider";
    QTest::newRow("no data source") << prefix + "User ID=sa;Password=" << "no Data Source";
    QTest::newRow("empty data source") << prefix + "User ID=sa;Password=;Data Source=" << "no Data Source";
    QTest::newRow("empty string") << "" << "no Data Source";
    QTest::newRow("bad port") << prefix + "Data Source=host,14x3" << "'14x3' is not a port number";
    QTest::newRow("port out of range") << prefix + "Data Source=host,70000" << "'70000' is not a port number";
    QTest::newRow("empty instance") << prefix + "Data Source=host\\" << "no instance name";
    QTest::newRow("named pipes") << prefix + "Data Source=np:\\\\host\\pipe\\sql\\query" << "only TCP";
    QTest::newRow("bad Encrypt") << prefix + "Data Source=h;Encrypt=maybe" << "'maybe' is not a valid value of Encrypt";
    QTest::newRow("ODBC key") << "Driver={FreeTDS};Server=h" << "'Driver' belongs to ODBC";
    QTest::newRow("}; for FreeTDS") << prefix + "Password=\"a};b\";Data Source=h" << "cannot be passed to the FreeTDS driver";
}

void TestConnectionString::badStrings()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);
    try {
        translateConnectionString(text, freeTdsOnly).toOdbcString();
        QFAIL("no error");
    } catch (const yorsabat::Error &e) {
        QVERIFY2(e.message().contains(mentions), qPrintable(e.message()));
    }
}

void TestConnectionString::quotingRoundTrips_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain stays") << "abc123" << "abc123";
    QTest::newRow("quote inside stays") << "ab\"c" << "ab\"c";
    QTest::newRow("semicolon") << "a;b" << "\"a;b\"";
    QTest::newRow("starts with a double quote") << "\"x" << "'\"x'";
    QTest::newRow("starts with a single quote") << "'x" << "\"'x\"";
    QTest::newRow("both quotes and ;") << "'a\";" << "\"'a\"\";\"";
    QTest::newRow("leading blank") << " pw" << "\" pw\"";
    QTest::newRow("empty") << "" << "";
}

void TestConnectionString::quotingRoundTrips()
{
    QFETCH(QString, value);
    QFETCH(QString, written);
    QCOMPARE(quoteOleDbValue(value), written);
    const auto pairs = parseOleDbConnectionString(QStringLiteral("Password=%1;User ID=sa").arg(written));
    QCOMPARE(pairs.size(), 2);
    QCOMPARE(pairs[0].second, value);
}

void TestConnectionString::translation_data()
{
    QTest::addColumn<QString>("oleDb");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("instance");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("odbc");

    const QString tail = QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;");
    QTest::newRow("host") << prefix + "User ID=sa;Password=vqx;Data Source=srv01" << "srv01" << "" << 0
                          << "Driver={FreeTDS};Server=srv01;Port=1433;UID=sa;PWD=vqx;" + tail;
    QTest::newRow("host,port") << prefix + "User ID=sa;Password=;Data Source=10.0.0.5,1500" << "10.0.0.5" << "" << 1500
                               << "Driver={FreeTDS};Server=10.0.0.5;Port=1500;UID=sa;PWD=;" + tail;
    QTest::newRow("dot instance") << prefix + "User ID=sa;Password=x;Data Source=.\\VEZ" << "127.0.0.1" << "VEZ" << 0
                                  << "Driver={FreeTDS};Server=127.0.0.1\\VEZ;UID=sa;PWD=x;" + tail;
    QTest::newRow("(local)") << "Provider=SQLNCLI11;Data Source=(local)" << "127.0.0.1" << "" << 0
                             << "Driver={FreeTDS};Server=127.0.0.1;Port=1433;" + tail;
    QTest::newRow("localhost, tcp: prefix") << "Provider=MSOLEDBSQL;Data Source=tcp:LOCALHOST,2000" << "127.0.0.1" << "" << 2000
                                            << "Driver={FreeTDS};Server=127.0.0.1;Port=2000;" + tail;
    QTest::newRow("instance and port: port wins") << prefix + "Data Source=h\\VEZ,1600" << "h" << "VEZ" << 1600
                                                  << "Driver={FreeTDS};Server=h;Port=1600;" + tail;
    QTest::newRow("MSSQLSERVER is the default instance") << prefix + "Data Source=h\\MSSQLSERVER" << "h" << "" << 0
                                                         << "Driver={FreeTDS};Server=h;Port=1433;" + tail;
    QTest::newRow("no provider, lower-case keys") << "data source=h;user id=u;pwd=p" << "h" << "" << 0
                                                  << "Driver={FreeTDS};Server=h;Port=1433;UID=u;PWD=p;" + tail;
    QTest::newRow("initial catalog") << prefix + "Initial Catalog=VEZ_001_2024;Data Source=h" << "h" << "" << 0
                                     << "Driver={FreeTDS};Server=h;Port=1433;Database=VEZ_001_2024;" + tail;
    QTest::newRow("Database, later key wins") << prefix + "Database=A;Data Source=h;Database=B" << "h" << "" << 0
                                              << "Driver={FreeTDS};Server=h;Port=1433;Database=B;" + tail;
    QTest::newRow("quoted password reaches FreeTDS braced as it is")
        << prefix + "User ID=sa;Password=\"p;w}d\";Data Source=h" << "h" << "" << 0
        << "Driver={FreeTDS};Server=h;Port=1433;UID=sa;PWD={p;w}d};" + tail;
    QTest::newRow("password ending in a brace")
        << prefix + "Password=ab};Data Source=h" << "h" << "" << 0
        << "Driver={FreeTDS};Server=h;Port=1433;PWD={ab}};" + tail;
    QTest::newRow("encrypt") << prefix + "Data Source=h;Encrypt=yes;TrustServerCertificate=True" << "h" << "" << 0
                             << "Driver={FreeTDS};Server=h;Port=1433;Encryption=require;" + tail;
    QTest::newRow("encrypt no") << prefix + "Data Source=h;Encrypt=no" << "h" << "" << 0
                                << "Driver={FreeTDS};Server=h;Port=1433;" + tail;
    QTest::newRow("unknown keys passed, timeouts dropped")
        << prefix + "Data Source=h;Connect Timeout=30;Application Name=Yorsabat;Packet Size=4096" << "h" << "" << 0
        << "Driver={FreeTDS};Server=h;Port=1433;" + tail + "APP=Yorsabat;Packet Size=4096;";
    QTest::newRow("integrated security") << "Provider=SQLOLEDB;Integrated Security=SSPI;Data Source=h" << "h" << "" << 0
                                         << "Driver={FreeTDS};Server=h;Port=1433;Trusted_Connection=yes;" + tail;
}

void TestConnectionString::translation()
{
    QFETCH(QString, oleDb);
    QFETCH(QString, host);
    QFETCH(QString, instance);
    QFETCH(int, port);
    QFETCH(QString, odbc);
    const OdbcConnectionSpec odbcTarget = translateConnectionString(oleDb, freeTdsOnly);
    QCOMPARE(odbcTarget.driver, QStringLiteral("FreeTDS"));
    QCOMPARE(odbcTarget.server.host, host);
    QCOMPARE(odbcTarget.server.instance, instance);
    QCOMPARE(odbcTarget.server.port, port);
    QCOMPARE(odbcTarget.toOdbcString(), odbc);
}

void TestConnectionString::microsoftDriverWhenRegistered()
{
    QCOMPARE(chooseSqlServerDriver({"FreeTDS", "ODBC Driver 17 for SQL Server"}), QStringLiteral("ODBC Driver 17 for SQL Server"));
    QCOMPARE(chooseSqlServerDriver({"ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server"}),
             QStringLiteral("ODBC Driver 18 for SQL Server"));
    QCOMPARE(chooseSqlServerDriver({"SQL Server", "PostgreSQL"}), QStringLiteral("FreeTDS"));

    const QStringList ms = {QStringLiteral("ODBC Driver 18 for SQL Server")};
    OdbcConnectionSpec odbcTarget = translateConnectionString(prefix + "User ID=sa;Password=\"a;b\";Data Source=.\\VEZ", ms);
    QCOMPARE(odbcTarget.server.instance, QStringLiteral("VEZ"));
    odbcTarget.server.port = 50123; // resolved through the Browser
    QCOMPARE(odbcTarget.toOdbcString(), QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=tcp:127.0.0.1,50123;"
                                                 "UID=sa;PWD={a;b};Encrypt=no;"));
    // Microsoft's drivers read "}}" in braces as one brace, so "};" can pass.
    odbcTarget = translateConnectionString(prefix + "Password=\"a};b\";Data Source=h,1500", ms);
    QCOMPARE(odbcTarget.toOdbcString(), QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=tcp:h,1500;"
                                                 "PWD={a}};b};Encrypt=no;"));
    odbcTarget = translateConnectionString(prefix + "Data Source=h,1500;Encrypt=true;TrustServerCertificate=yes", ms);
    QCOMPARE(odbcTarget.toOdbcString(), QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=tcp:h,1500;"
                                                 "Encrypt=yes;TrustServerCertificate=yes;"));
}

void TestConnectionString::browserAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("instance");
    QTest::addColumn<int>("port");
    const QByteArray two = "ServerName;H;InstanceName;OTHER;IsClustered;No;Version;16.0.1000.6;tcp;1500;;"
                           "ServerName;H;InstanceName;VEZ;IsClustered;No;Version;16.0.1000.6;np;\\\\H\\pipe\\x;tcp;49731;;";
    QTest::newRow("second of two") << browserAnswer(two) << "VEZ" << 49731;
    QTest::newRow("case-insensitive") << browserAnswer(two) << "vez" << 49731;
    QTest::newRow("first of two") << browserAnswer(two) << "OTHER" << 1500;
    QTest::newRow("not listed") << browserAnswer(two) << "NONE" << -1;
    QTest::newRow("no tcp") << browserAnswer("ServerName;H;InstanceName;VEZ;IsClustered;No;Version;16.0;np;x;;") << "VEZ" << 0;
    QTest::newRow("not an answer") << QByteArray("\x04VEZ") << "VEZ" << -1;
    QTest::newRow("truncated") << QByteArray("\x05\x10") << "VEZ" << -1;
}

void TestConnectionString::browserAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, instance);
    QFETCH(int, port);
    QCOMPARE(parseBrowserAnswer(answer, instance), port);
}

void TestConnectionString::resolverAsksOnceAndReadsThePort()
{
#ifdef _WIN32
    QSKIP("POSIX sockets");
#else
    FakeBrowser browser(browserAnswer("ServerName;H;InstanceName;VEZ;IsClustered;No;Version;16.0;tcp;51234;;"));
    qputenv("YORSABAT_BROWSER_PORT", QByteArray::number(browser.port()));
    QCOMPARE(sqlBrowserPort(), browser.port());
    QCOMPARE(resolveInstancePort(QStringLiteral("127.0.0.1"), QStringLiteral("VEZ"), 1000), 51234);
    QCOMPARE(browser.lastRequest(), QByteArray("\x04VEZ\0", 5));
    try {
        resolveInstancePort(QStringLiteral("127.0.0.1"), QStringLiteral("BASKA"), 1000);
        QFAIL("no error");
    } catch (const yorsabat::Error &e) {
        QVERIFY2(e.message().contains(QStringLiteral("'BASKA' was not found")), qPrintable(e.message()));
    }
    qunsetenv("YORSABAT_BROWSER_PORT");
    QCOMPARE(sqlBrowserPort(), 1434);
#endif
}

void TestConnectionString::resolverGivesUpWithinTheTimeout()
{
#ifdef _WIN32
    QSKIP("POSIX sockets");
#else
    FakeBrowser silent{QByteArray()};
    qputenv("YORSABAT_BROWSER_PORT", QByteArray::number(silent.port()));
    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, resolveInstancePort(QStringLiteral("127.0.0.1"), QStringLiteral("VEZ"), 1000));
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 900 && elapsed < 2500, qPrintable(QString::number(elapsed)));
    qunsetenv("YORSABAT_BROWSER_PORT");
#endif
}

QTEST_GUILESS_MAIN(TestConnectionString)
#include "tst_connection_string.moc"
