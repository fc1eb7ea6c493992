// "Open" of a large result into the result window: seconds until the grids
// show rows, rows per second, and the process's peak memory against the
// result's raw size. Usage: bench_workbench_open [rows]  (default 1,000,000)
#include "server/Connection.h"
#include "server/Query.h"
#include "server/ResultSet.h"
#include "shell/PlainPorts.h"
#include "tests/support/StandinServer.h"
#include "workbench/SharedQuery.h"
#include "workbench/Statements.h"
#include "workbench/Unit2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTableView>
#include <QTextStream>

#include <cstdio>

namespace {

// Kilobytes of a "VmRSS:" / "VmHWM:" line of /proc/self/status; 0 elsewhere.
long long procStatusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix(key);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The values' own size: 8 bytes per number or date, the UTF-8 bytes of texts.
long long rawBytes(const yorsabat::server::ResultSet &result)
{
    long long bytes = 0;
    for (int c = 0; c < result.fieldCount(); ++c) {
        const bool text = result.field(c).type == yorsabat::server::FieldType::Text;
        for (std::int64_t r = 0; r < result.rowCount(); ++r) {
            if (result.isNull(r, c))
                continue;
            bytes += text ? result.asText(r, c).toUtf8().size() : 8;
        }
    }
    return bytes;
}

double mib(long long bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000L;

    yorsabat::testing::StandinServer::Options options;
    options.seedDemo = true;
    options.demoRows = int(rows);
    yorsabat::testing::StandinServer standin(options);
    QElapsedTimer seeding;
    seeding.start();
    if (!standin.start()) {
        std::fprintf(stderr, "stand-in: %s\n", qPrintable(standin.errorText()));
        return 1;
    }
    std::printf("stand-in seeded with %ld DEMHAR rows in %.1f s\n", rows, seeding.elapsed() / 1000.0);

    yorsabat::server::Connection connection;
    connection.setConnectionString(standin.oleDbConnectionString());
    connection.open();
    yorsabat::server::Query query(connection, QStringLiteral("ADOQuery1"));
    yorsabat::workbench::ServerSharedQuery shared(query, connection);
    shared.execSql(QStringLiteral("USE VEZ_001_2024"));

    TForm2 form(query);
    yorsabat::plain::Editor editor;
    yorsabat::plain::StatusLine status;
    yorsabat::plain::BusyCursor busy;
    yorsabat::workbench::Statements statements(shared, {editor, status, busy, form});
    editor.setText(QStringLiteral("SELECT DMHDEMKOD, DMHYIL, DMHKKEGFLAG, DMHDUZONCAKTIF1, DMHDUZONCAKTIF4, "
                                  "DMHDUZSONAKTIF4, DMHDUZONCBIRIK1, DMHDUZONCBIRIK4, DMHDUZSONBIRIK4, DMHAKTIFFARK1 "
                                  "FROM DEMHAR"));

    app.processEvents();
    const long long rssBefore = procStatusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    statements.Button4Click();
    const qint64 openMs = clock.elapsed();
    app.processEvents();
    form.grab(); // paints both grids with their first rows
    const qint64 shownMs = clock.elapsed();

    const yorsabat::server::ResultSet *result = query.result();
    const std::int64_t count = result ? result->rowCount() : 0;
    const long long peakKb = procStatusKb("VmHWM:");

    // Responsiveness: jump to the end and paint again.
    clock.restart();
    form.cxGrid1DBTableView1()->verticalScrollBar()->setValue(form.cxGrid1DBTableView1()->verticalScrollBar()->maximum());
    form.DBGrid1()->verticalScrollBar()->setValue(form.DBGrid1()->verticalScrollBar()->maximum());
    app.processEvents();
    form.grab();
    const qint64 scrollMs = clock.elapsed();

    const long long raw = result ? rawBytes(*result) : 0;
    const long long stored = result ? (long long)result->storageBytes() : 0;
    const long long grownKb = peakKb - rssBefore;
    std::printf("rows %lld, columns %d\n", (long long)count, result ? result->fieldCount() : 0);
    std::printf("open (query to stored result): %.2f s, %.0f rows/s\n", openMs / 1000.0,
                openMs > 0 ? count * 1000.0 / openMs : 0.0);
    std::printf("grid shows rows after:         %.2f s\n", shownMs / 1000.0);
    std::printf("scroll to the last row:        %.3f s\n", scrollMs / 1000.0);
    std::printf("raw size %.1f MiB, stored %.1f MiB, peak growth %.1f MiB (%.2f x raw), peak RSS %.1f MiB\n",
                mib(raw), mib(stored), grownKb / 1024.0, raw > 0 ? grownKb * 1024.0 / raw : 0.0, peakKb / 1024.0);
    return 0;
}
