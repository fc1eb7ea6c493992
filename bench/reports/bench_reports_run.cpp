// The whole detailed report on a large demo database, from the query to the
// renamed workbook, with the process's peak memory; then the asset view
// showing those rows (only the visible rows are measured and fitted).
//
//   bench_reports_run [DEMHAR rows]   default 100000

#include "reports/AssetWorkbook.h"
#include "reports/Forms3.h"
#include "reports/ReportRun.h"
#include "server/Connection.h"
#include "server/Query.h"
#include "shell/PlainPorts.h"
#include "tests/support/StandinServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdio>

using namespace yorsabat;

namespace {

void resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

double mib(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

struct NoView : reports::AssetView
{
    void showView() override {}
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const long rows = app.arguments().size() > 1 ? app.arguments()[1].toLong() : 100000;

    testing::StandinServer::Options options;
    options.seedDemo = true;
    options.demoRows = int(rows);
    testing::StandinServer server(options);
    if (!server.start()) {
        std::fprintf(stderr, "stand-in: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    server::Connection connection;
    connection.setConnectionString(server.oleDbConnectionString());
    server::Query adoQuery1(connection, QStringLiteral("ADOQuery1"));
    server::Query adoQuery11(connection, QStringLiteral("ADOQuery11"));
    adoQuery1.setSql(QStringLiteral("USE VEZ_001_2024"));
    adoQuery1.execSql();

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    plain::Editor editor;
    plain::TextBox year(QStringLiteral("2024"));
    plain::Toggle detailedBox, summaryBox;
    detailedBox.checked = true; // the current database only, no window
    NoView view;
    reports::ReportControls controls{editor, year, detailedBox, summaryBox, adoQuery11, connection,
                                     [] { return true; }, view};

    const double before = mib("VmRSS:");
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    reports::runReport(reports::ReportKind::Detailed, controls);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double peak = mib("VmHWM:");
    const QString path = dir.filePath(QStringLiteral("VEZ_001_2024_Detay.xlsx"));
    const auto reportRows = adoQuery11.result()->rowCount();

    std::printf("detailed report, %ld DEMHAR rows in VEZ_001_2024: %lld report rows, %.1f MiB workbook\n", rows,
                static_cast<long long>(reportRows), double(QFileInfo(path).size()) / (1024.0 * 1024.0));
    std::printf("  query to renamed file   %7.2f s\n", seconds);
    std::printf("  peak memory             %7.1f MiB (%.1f MiB before; result held %.1f MiB)\n", peak, before,
                double(adoQuery11.result()->storageBytes()) / (1024.0 * 1024.0));

    // Of which the workbook alone: the same rows written again.
    timer.restart();
    reports::writeAssetWorkbook(*adoQuery11.result(), dir.filePath(QStringLiteral("again.xlsx")));
    std::printf("  of which the workbook   %7.2f s\n", double(timer.nsecsElapsed()) / 1e9);

    // The asset view over the same rows.
    TForm3 form(adoQuery11);
    form.resize(1280, 700);
    timer.restart();
    form.showView();
    (void)QTest::qWaitForWindowExposed(&form);
    QApplication::processEvents();
    const double showSeconds = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    QScrollBar *bar = form.cxGrid1()->verticalScrollBar();
    for (int step = 0; step < 50; ++step) {
        bar->setValue(bar->maximum() * step / 49);
        QApplication::processEvents();
    }
    const double scrollSeconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("  asset view: shown in %.3f s; 50 jumps from top to bottom in %.3f s\n", showSeconds, scrollSeconds);
    return 0;
}
