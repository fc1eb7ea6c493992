// Writing a 100,000-row, 21-column report sheet from an in-memory result:
// the tool's writer, a bare libxlsxwriter loop in constant-memory mode over
// plain arrays holding the same cells, and Python's XlsxWriter in
// constant-memory mode. Each writer runs in a process of its own so its peak
// memory can be told apart; medians of three runs are printed.
//
//   bench_reports_writer [rows]              all three, medians of 3
//   bench_reports_writer tool|bare rows file one run: "<seconds> <peak KiB beyond the rows>"

#include "reports/AssetWorkbook.h"
#include "server/ResultSet.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

using yorsabat::server::FieldInfo;
using yorsabat::server::FieldType;
using yorsabat::server::ResultSet;

namespace {

const char *const names[] = {"Bina", "Soğutma ünitesi", "Kamyonet", "Çelik raf", "İş güvenliği çantası",
                             "Yangın algılama", "CNC işleme merkezi", "Bilgisayar"};
const char *const titles[] = {"KOD", "AÇIKLAMA", "AMORT YÜZ.", "GİRİŞ TAR.", "GİRİŞ TUTAR", "AMROT.SÜRE",
                              "AMORT.BİTİŞ", "DÖNEM", "YIL", "DÜZ.ÖNC.AKTİF", "DÜZ.SON.AKTİF", "AKTİF FARK",
                              "DEĞ.ART.FON", "DÜZ.ÖNC.BİRİK.FARK", "DÜZ.SON.BİRİK.FARK", "BİRİKMİŞ FARK",
                              "AYRILAN AMORT.", "AMORT.ORAN", "DÜZ.KAT SAYISI", "TOP.BİRİK.AMORT.",
                              "TOP.AKTİF DEĞER"};

// Row i's cells; the Python script computes the same ones.
struct Row
{
    std::string kod, cinsi;
    double yuzde;
    QDate tarih;
    double tutar;
    int sure, bitis, donem, yil;
    double amounts[12];
};

Row makeRow(long i)
{
    Row r;
    char buf[32];
    std::snprintf(buf, sizeof buf, "DMB-%07ld", i);
    r.kod = buf;
    r.cinsi = std::string(names[i % 8]) + " " + std::to_string(i);
    r.yuzde = double((i % 40) + 1) / 2.0;
    r.tarih = QDate(2000, 1, 1).addDays(i % 9000);
    r.tutar = double((i * 7919) % 1000000000) / 100.0;
    r.sure = int(i % 20);
    r.bitis = int(2000 + i % 40);
    r.donem = int(1 + i % 4);
    r.yil = 2024;
    for (int k = 0; k < 12; ++k)
        r.amounts[k] = double((i * 7919 + k * 104729) % 100000000) / 100.0;
    return r;
}

// Restarts the peak (VmHWM) from the present resident size.
void resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

long rssKib(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

// The report's result as the data layer delivers it, in query column order.
std::unique_ptr<ResultSet> buildResult(long n)
{
    const std::pair<const char *, FieldType> columnKinds[] = {
        {"DMKKOD", FieldType::Text}, {"DMKCINSI", FieldType::Text}, {"DMKAMORTYUZDE", FieldType::Float},
        {"DMKGIRTARIH", FieldType::DateTime}, {"DMKGIRTUTAR", FieldType::Float},
        {"DMKAMORTSURE", FieldType::Integer}, {"DMKAMORTBITIS", FieldType::Integer},
        {"DMHYIL", FieldType::Integer}, {"DONEM", FieldType::Text}};
    std::vector<FieldInfo> fields;
    for (const auto &[name, type] : columnKinds)
        fields.push_back({QString::fromLatin1(name), type, 0, 0, 0});
    for (const char *name : {"DMHDUZONCAKTIF1", "DMHDUZSONAKTIF1", "DMHAKTIFFARK1", "DMHDEGARTFON1",
                             "DMHDUZONCBIRIK1", "DMHDUZSONBIRIK1", "DMHBIRIKFARK1", "DMHAYRILAN1",
                             "DMHAMORTORAN1", "DMHDUZKATSAYI1", "TOPBIRAMORT", "TOPAKTIFDEGER"})
        fields.push_back({QString::fromLatin1(name), FieldType::Float, 0, 0, 0});
    auto result = std::make_unique<ResultSet>(std::move(fields));
    for (long i = 0; i < n; ++i) {
        const Row r = makeRow(i);
        result->appendText(0, QString::fromUtf8(r.kod));
        result->appendText(1, QString::fromUtf8(r.cinsi));
        result->appendFloat(2, r.yuzde);
        result->appendDateTime(3, QDateTime(r.tarih, QTime(0, 0), Qt::UTC));
        result->appendFloat(4, r.tutar);
        result->appendInteger(5, r.sure);
        result->appendInteger(6, r.bitis);
        result->appendInteger(7, r.yil);
        result->appendText(8, QString::number(r.donem));
        for (int k = 0; k < 12; ++k)
            result->appendFloat(9 + k, r.amounts[k]);
    }
    return result;
}

void writeBare(const std::vector<Row> &rows, const char *path)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(path, &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat, "dd.mm.yyyy");
    for (int c = 0; c < 21; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), titles[c], nullptr);
    lxw_row_t n = 1;
    for (const Row &r : rows) {
        worksheet_write_string(sheet, n, 0, r.kod.c_str(), nullptr);
        worksheet_write_string(sheet, n, 1, r.cinsi.c_str(), nullptr);
        worksheet_write_number(sheet, n, 2, r.yuzde, nullptr);
        lxw_datetime d{r.tarih.year(), r.tarih.month(), r.tarih.day(), 0, 0, 0};
        worksheet_write_datetime(sheet, n, 3, &d, dateFormat);
        worksheet_write_number(sheet, n, 4, r.tutar, nullptr);
        worksheet_write_number(sheet, n, 5, r.sure, nullptr);
        worksheet_write_number(sheet, n, 6, r.bitis, nullptr);
        worksheet_write_number(sheet, n, 7, r.donem, nullptr);
        worksheet_write_number(sheet, n, 8, r.yil, nullptr);
        for (int k = 0; k < 12; ++k)
            worksheet_write_number(sheet, n, lxw_col_t(9 + k), r.amounts[k], nullptr);
        ++n;
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        std::fprintf(stderr, "bare: cannot write %s\n", path);
}

int runOne(const QString &mode, long n, const QString &path)
{
    QElapsedTimer timer;
    long before = 0;
    if (mode == QLatin1String("tool")) {
        const auto result = buildResult(n);
        resetPeak();
        before = rssKib("VmRSS:");
        timer.start();
        yorsabat::reports::writeAssetWorkbook(*result, path);
    } else {
        std::vector<Row> rows;
        rows.reserve(std::size_t(n));
        for (long i = 0; i < n; ++i)
            rows.push_back(makeRow(i));
        resetPeak();
        before = rssKib("VmRSS:");
        timer.start();
        writeBare(rows, QFile::encodeName(path).constData());
    }
    std::printf("%.3f %ld\n", double(timer.nsecsElapsed()) / 1e9, std::max(0L, rssKib("VmHWM:") - before));
    return 0;
}

struct Figure { double seconds; long kib; };

Figure median(std::vector<Figure> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Figure &a, const Figure &b) { return a.seconds < b.seconds; });
    std::vector<long> kib;
    for (const Figure &f : runs)
        kib.push_back(f.kib);
    std::sort(kib.begin(), kib.end());
    return {runs[runs.size() / 2].seconds, kib[kib.size() / 2]};
}

Figure measure(const QString &program, const QStringList &arguments)
{
    QProcess child;
    child.start(program, arguments);
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), child.readAllStandardError().constData());
        return {0, 0};
    }
    const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
    return {words.value(0).toDouble(), words.value(1).toLong()};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = app.arguments();
    if (args.size() == 4)
        return runOne(args[1], args[2].toLong(), args[3]);

    const long n = args.size() > 1 ? args[1].toLong() : 100000;
    QTemporaryDir dir;
    const QString script = QStringLiteral(YORSABAT_BENCH_PYTHON_SCRIPT);
    std::vector<Figure> tool, bare, python;
    for (int run = 0; run < 3; ++run) {
        tool.push_back(measure(app.applicationFilePath(), {"tool", QString::number(n), dir.filePath("tool.xlsx")}));
        bare.push_back(measure(app.applicationFilePath(), {"bare", QString::number(n), dir.filePath("bare.xlsx")}));
        python.push_back(measure("/usr/bin/python3", {script, QString::number(n), dir.filePath("py.xlsx")}));
    }
    const Figure t = median(tool), b = median(bare), p = median(python);
    std::printf("%ld rows x 21 columns, medians of 3 (peak memory beyond the rows held)\n", n);
    std::printf("  tool writer            %7.3f s  %7.1f MiB\n", t.seconds, t.kib / 1024.0);
    std::printf("  bare libxlsxwriter     %7.3f s  %7.1f MiB\n", b.seconds, b.kib / 1024.0);
    std::printf("  Python XlsxWriter      %7.3f s  %7.1f MiB\n", p.seconds, p.kib / 1024.0);
    std::printf("  tool / bare            %7.2f   (goal <= 1.15)\n", t.seconds / b.seconds);
    std::printf("  Python / tool          %7.2f   (goal >= 2.5)\n", p.seconds / t.seconds);
    return 0;
}
