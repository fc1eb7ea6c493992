// Fetch of a 100,000-row, 21-column result from the stand-in server: the data
// layer (Query::open into a ResultSet) against a bare ODBC block fetch over the
// same driver that keeps nothing. Each run is its own process, so that its
// peak memory is its own.
//
//   bench_server_fetch [--rows N] [--runs N]

#include "server/Connection.h"
#include "server/Query.h"
#include "server/ResultSet.h"
#include "shell/Error.h"
#include "tests/support/StandinServer.h"

#include <sql.h>
#include <sqlext.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

// 21 columns: two texts, a date, four integers, fourteen decimal(28,9).
const char *const kQuery =
    "SELECT DMKKOD, DMKCINSI, DMKGIRTARIH, DMHYIL, DMHKKEGFLAG, DMKAMORTSURE, DMKCIKISFLAG, "
    "DMKGIRTUTAR, DMKAMORTYUZDE, DMHDUZONCAKTIF1, DMHDUZONCAKTIF4, DMHDUZSONAKTIF4, DMHDUZONCBIRIK1, "
    "DMHDUZONCBIRIK4, DMHDUZSONBIRIK4, DMHAKTIFFARK1, DMHDEGARTFON1, DMHBIRIKFARK1, DMHAYRILAN1, "
    "DMHAMORTORAN1, DMHDUZKATSAYI1 FROM DEMHAR JOIN DEMKART ON DMHDEMKOD = DMKKOD";

// Processor time of this process so far, user and system.
double cpuSeconds()
{
#ifndef _WIN32
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#else
    return 0;
#endif
}

long peakKiB()
{
#ifndef _WIN32
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
#else
    return 0;
#endif
}

QString odbcString(int port)
{
    return QStringLiteral("Driver={FreeTDS};Server=127.0.0.1;Port=%1;UID=sa;PWD=vqx;TDS_Version=7.4;ClientCharset=UTF-8;"
                          "Database=VEZ_001_2024;")
        .arg(port);
}

// Block fetch with bound column arrays, as a program written straight on the
// ODBC API would do it; the rows are counted and dropped.
int runBare(int port)
{
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const QString cs = odbcString(port);
    QElapsedTimer timer;
    timer.start();
    if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR *>(const_cast<QChar *>(cs.constData())),
                                         SQLSMALLINT(cs.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        std::fprintf(stderr, "bare: connect failed\n");
        return 1;
    }
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    const SQLULEN blockRows = 512;
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    const QString sql = QString::fromLatin1(kQuery);
    if (!SQL_SUCCEEDED(SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR *>(const_cast<QChar *>(sql.constData())), SQLINTEGER(sql.size())))) {
        std::fprintf(stderr, "bare: execute failed\n");
        return 1;
    }
    struct Col
    {
        SQLSMALLINT cType;
        SQLLEN width;
        std::vector<char> data;
        std::vector<SQLLEN> ind;
    };
    std::vector<Col> cols;
    cols.push_back({SQL_C_WCHAR, 41 * 2, {}, {}});
    cols.push_back({SQL_C_WCHAR, 81 * 2, {}, {}});
    cols.push_back({SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT), {}, {}});
    for (int i = 0; i < 4; ++i)
        cols.push_back({SQL_C_SBIGINT, 8, {}, {}});
    for (int i = 0; i < 14; ++i)
        cols.push_back({SQL_C_CHAR, 32, {}, {}});
    for (std::size_t i = 0; i < cols.size(); ++i) {
        cols[i].data.resize(std::size_t(cols[i].width) * blockRows);
        cols[i].ind.resize(blockRows);
        SQLBindCol(stmt, SQLUSMALLINT(i + 1), cols[i].cType, cols[i].data.data(), cols[i].width, cols[i].ind.data());
    }
    long long rows = 0;
    for (;;) {
        const SQLRETURN rc = SQLFetchScroll(stmt, SQL_FETCH_NEXT, 0);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc)) {
            std::fprintf(stderr, "bare: fetch failed\n");
            return 1;
        }
        rows += fetched;
    }
    while (SQLMoreResults(stmt) != SQL_NO_DATA) {
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    std::printf("%lld %.4f %ld 0 %.4f\n", rows, seconds, peakKiB(), cpuSeconds());
    return 0;
}

int runLayer(int port)
{
    using namespace yorsabat::server;
    try {
        Connection connection;
        connection.setConnectionString(
            QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=vqx;"
                           "Data Source=127.0.0.1,%1;Initial Catalog=VEZ_001_2024")
                .arg(port));
        Query query(connection, QStringLiteral("ADOQuery11"));
        QElapsedTimer timer;
        timer.start();
        query.setSql(QString::fromLatin1(kQuery));
        query.open();
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("%lld %.4f %ld %zu %.4f\n", static_cast<long long>(query.result()->rowCount()), seconds, peakKiB(),
                    query.result()->storageBytes(), cpuSeconds());
    } catch (const yorsabat::Error &e) {
        std::fprintf(stderr, "layer: %s\n", e.what());
        return 1;
    }
    return 0;
}

struct Figures
{
    long long rows = 0;
    double seconds = 0;
    long peak = 0;
    unsigned long long storage = 0;
    double cpu = 0;
};

bool runChild(const QString &mode, int port, Figures &out)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode, QString::number(port)});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s run failed: %s\n", qPrintable(mode), child.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
    if (f.size() != 5)
        return false;
    out = {f[0].toLongLong(), f[1].toDouble(), f[2].toLong(), f[3].toULongLong(), f[4].toDouble()};
    return true;
}

Figures median(std::vector<Figures> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Figures &a, const Figures &b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--child")
        return args[2] == u"bare" ? runBare(args[3].toInt()) : runLayer(args[3].toInt());

    int rows = 100000, runs = 3;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--rows")
            rows = args[i + 1].toInt();
        else if (args[i] == u"--runs")
            runs = std::max(1, args[i + 1].toInt());
    }
    yorsabat::testing::StandinServer server({true, rows, {}});
    if (!server.start()) {
        std::fprintf(stderr, "stand-in: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    std::vector<Figures> bare, layer;
    for (int r = 0; r < runs; ++r) {
        Figures b, l;
        if (!runChild(QStringLiteral("bare"), server.port(), b) || !runChild(QStringLiteral("layer"), server.port(), l))
            return 1;
        bare.push_back(b);
        layer.push_back(l);
    }
    const Figures b = median(bare), l = median(layer);
    std::printf("fetch of %lld rows x 21 columns from the stand-in, median of %d runs\n", l.rows, runs);
    std::printf("  bare ODBC block fetch: %.3f s, %.0f rows/s, client CPU %.3f s, peak %.1f MiB\n", b.seconds, b.rows / b.seconds,
                b.cpu, b.peak / 1024.0);
    std::printf("  data layer (ResultSet): %.3f s, %.0f rows/s, client CPU %.3f s, peak %.1f MiB, stored values %.1f MiB\n",
                l.seconds, l.rows / l.seconds, l.cpu, l.peak / 1024.0, l.storage / 1048576.0);
    std::printf("  time ratio layer/bare: %.2f\n", l.seconds / b.seconds);
    return b.rows == l.rows ? 0 : 1;
}
