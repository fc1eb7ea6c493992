// Figures for the stand-in server: rows per second of a 21-column, 100,000-row result
// through FreeTDS's ODBC driver, and the server's peak memory while it streams
// 1,000,000 rows. Usage: bench_standin [rows-for-memory] (default 1000000).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <sqlite3.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>

#ifndef YORSABAT_STANDIN_PATH
#define YORSABAT_STANDIN_PATH ""
#endif

namespace {

bool exec(sqlite3 *db, const char *sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
        sqlite3_free(err);
        return false;
    }
    return true;
}

// BENCH.sqlite: WIDE with 21 columns shaped like the report rows, LONGT with three columns.
bool writeData(const QString &dir, int wideRows, int longRows)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open((dir + QStringLiteral("/BENCH.sqlite")).toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    QByteArray create = "CREATE TABLE WIDE(K varchar(40), C nvarchar(80), P decimal(28,9), T datetime, G decimal(28,9),"
                        " S int, B int, Y int, D varchar(5)";
    for (int k = 10; k <= 19; ++k)
        create += ", V" + QByteArray::number(k) + " decimal(28,9)";
    create += ", F20 float, F21 float)";
    bool ok = exec(db, "BEGIN") && exec(db, create.constData()) &&
              exec(db, "CREATE TABLE LONGT(N int, A decimal(28,9), S nvarchar(40))");
    QByteArray fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      QByteArray::number(wideRows) +
                      ") INSERT INTO WIDE SELECT 'DMB-' || i, 'Çalışma masası ' || i, 20.5, '2024-03-15 00:00:00.000',"
                      " i * 1.25, 5, 2029, 2024, '1'";
    for (int k = 10; k <= 19; ++k)
        fill += ", i * 0.01 + " + QByteArray::number(k);
    fill += ", i / 3.0, i * 2.5 FROM n";
    QByteArray fillLong = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                          QByteArray::number(longRows) + ") INSERT INTO LONGT SELECT i, i * 0.01, 'satır ' || i FROM n";
    ok = ok && exec(db, fill.constData()) && exec(db, fillLong.constData()) && exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

long peakKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

long currentKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// CPU seconds the process used so far (user + system).
double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    QByteArray text = f.readAll();
    QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / 100.0; // clock ticks
}

// Fetches every row with SQLGetData as text; returns the row count, -1 on error.
long long fetchAll(SQLHDBC dbc, const char *sql, int *columnsOut)
{
    SQLHSTMT st;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    if (!SQL_SUCCEEDED(SQLExecDirect(st, (SQLCHAR *)sql, SQL_NTS))) {
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return -1;
    }
    SQLSMALLINT cols = 0;
    SQLNumResultCols(st, &cols);
    *columnsOut = cols;
    long long rows = 0;
    char buf[512];
    SQLLEN ind;
    while (SQL_SUCCEEDED(SQLFetch(st))) {
        for (SQLUSMALLINT c = 1; c <= cols; ++c)
            SQLGetData(st, c, SQL_C_CHAR, buf, sizeof buf, &ind);
        ++rows;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int longRows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int wideRows = 100000;
    QTemporaryDir dir;
    QElapsedTimer timer;
    timer.start();
    if (!writeData(dir.path(), wideRows, longRows))
        return 1;
    std::printf("data written in %.1f s (%d x 21 columns, %d x 3 columns)\n", timer.elapsed() / 1000.0, wideRows, longRows);

    QProcess server;
    server.start(QString::fromUtf8(YORSABAT_STANDIN_PATH), {QStringLiteral("--data"), dir.path()});
    QRegularExpression listening(QStringLiteral("listening on \\S+:(\\d+)"));
    QString port;
    while (port.isEmpty() && server.waitForReadyRead(5000)) {
        auto m = listening.match(QString::fromUtf8(server.readAllStandardOutput()));
        if (m.hasMatch())
            port = m.captured(1);
    }
    if (port.isEmpty()) {
        std::fprintf(stderr, "the stand-in did not start\n");
        return 1;
    }
    const qint64 pid = server.processId();
    std::printf("server idle: %ld KiB resident\n", currentKiB(pid));

    SQLHENV env;
    SQLHDBC dbc;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    QByteArray cs = "Driver={FreeTDS};Server=127.0.0.1;Port=" + port.toUtf8() +
                    ";UID=sa;PWD=vqx;TDS_Version=7.4;ClientCharset=UTF-8;Database=BENCH;";
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR *)cs.data(), SQL_NTS, nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT))) {
        std::fprintf(stderr, "cannot connect\n");
        return 1;
    }
    for (int round = 1; round <= 3; ++round) {
        int cols = 0;
        timer.restart();
        double cpu = cpuSeconds(pid);
        long long rows = fetchAll(dbc, "SELECT * FROM WIDE", &cols);
        double s = timer.elapsed() / 1000.0;
        std::printf("wide result, round %d: %lld rows x %d columns in %.2f s = %.0f rows/s (server CPU %.2f s)\n", round,
                    rows, cols, s, rows / s, cpuSeconds(pid) - cpu);
    }
    int cols = 0;
    timer.restart();
    long long rows = fetchAll(dbc, "SELECT 'DMB-' || K AS K2, P * 2 AS P2, V10 + V11 AS V, F20 FROM WIDE", &cols);
    double s = timer.elapsed() / 1000.0;
    std::printf("expression columns (typed over the whole result): %lld rows in %.2f s = %.0f rows/s\n", rows, s, rows / s);

    long before = peakKiB(pid);
    timer.restart();
    rows = fetchAll(dbc, "SELECT N, A, S FROM LONGT", &cols);
    s = timer.elapsed() / 1000.0;
    std::printf("long result: %lld rows in %.2f s = %.0f rows/s\n", rows, s, rows / s);
    std::printf("server peak memory: %ld KiB before the long result, %ld KiB after it\n", before, peakKiB(pid));

    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
