// The report commands against the stand-in server's demo data, with the real
// batch run between them.
#include "WorkbookReader.h"

#include "reports/ReportCommands.h"
#include "reports/ReportQueries.h"
#include "reports/ReportRun.h"
#include "server/Connection.h"
#include "server/Query.h"
#include "shell/Error.h"
#include "shell/PlainPorts.h"
#include "tests/support/StandinServer.h"
#include "workbench/BatchProgress.h"
#include "workbench/BatchRunner.h"
#include "workbench/SharedQuery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace yorsabat;
using reports::ReportKind;

namespace {

struct CountingView : reports::AssetView
{
    QStringList shownIn; // current database at each show
    server::Connection *connection = nullptr;
    void showView() override { shownIn << connection->defaultDatabase(); }
};

// Columns of the workbook, 0-based.
enum { KOD = 0, GIRIS_TAR = 3, GIRIS_TUTAR = 4, AMORT_BITIS = 6, DONEM = 7, YIL = 8, DUZ_SON_AKTIF = 10,
       AYRILAN = 16, TOP_BIRIK = 19, TOP_AKTIF = 20 };

// Sheet row of an asset code and quarter; -1 when absent.
int findRow(const WorkbookContents &book, const QString &code, int quarter)
{
    for (int r = 1; r < book.rows.size(); ++r)
        if (book.text(r, KOD) == code && book.integer(r, DONEM) == quarter)
            return r;
    return -1;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class ReportRunTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ownBoxCheckedWritesCurrentDatabaseOnly_data();
    void ownBoxCheckedWritesCurrentDatabaseOnly();
    void ownBoxUncheckedWithNothingChecked();
    void ownBoxUncheckedRunsBatchFirst();
    void otherReportRunsInsideTheBatch();
    void batchWithBothBoxes();
    void errorInSecondOfThreeDatabases();
    void cancelAfterFirstDatabase();
    void yearMatchingNothingGivesHeaderOnly_data();
    void yearMatchingNothingGivesHeaderOnly();
    void unwritableWorkingDirectory();
    void fileNameOfDatabase_data();
    void fileNameOfDatabase();
    void databaseWithBlankInName();

private:
    void use(const QString &database);
    void run(ReportKind kind);
    QString file(const QString &name) const { return m_dir->filePath(name); }
    int reportRows(ReportKind kind, const QString &database);

    std::unique_ptr<testing::StandinServer> m_server;
    std::unique_ptr<server::Connection> m_connection;
    std::unique_ptr<server::Query> m_adoQuery1;
    std::unique_ptr<server::Query> m_adoQuery11;
    std::unique_ptr<workbench::ServerSharedQuery> m_shared;
    std::unique_ptr<workbench::BatchRunner> m_runner;
    std::unique_ptr<reports::ReportCommands> m_commands;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;

    plain::Editor m_editor;
    plain::TextBox m_year;
    plain::Toggle m_detailedBox, m_summaryBox;
    plain::CheckList m_list;
    plain::StatusLine m_status;
    plain::BusyCursor m_busy;
    workbench::NoBatchProgress m_noProgress;
    workbench::BatchProgress *m_progress = &m_noProgress;
    CountingView m_view;
};

void ReportRunTest::initTestCase()
{
    testing::StandinServer::Options options;
    options.seedDemo = true;
    m_server = std::make_unique<testing::StandinServer>(options);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    m_previousDir = QDir::currentPath();
}

void ReportRunTest::init()
{
    m_connection = std::make_unique<server::Connection>();
    m_connection->setConnectionString(m_server->oleDbConnectionString());
    m_connection->open();
    m_adoQuery1 = std::make_unique<server::Query>(*m_connection, u"ADOQuery1"_qs);
    m_adoQuery11 = std::make_unique<server::Query>(*m_connection, u"ADOQuery11"_qs);
    m_shared = std::make_unique<workbench::ServerSharedQuery>(*m_adoQuery1, *m_connection);
    m_editor = {};
    m_year.value = u"2024"_qs;
    m_detailedBox.checked = m_summaryBox.checked = false;
    m_list.items.clear();
    m_status = {};
    m_busy = {};
    m_progress = &m_noProgress;
    m_view.shownIn.clear();
    m_view.connection = m_connection.get();
    m_runner = std::make_unique<workbench::BatchRunner>(
        *m_shared,
        workbench::BatchRunner::Controls{m_list, m_detailedBox, m_summaryBox, m_editor, m_status, m_busy,
                                         *m_progress},
        workbench::BatchRunner::Reports{[this] { run(ReportKind::Detailed); },
                                        [this] { run(ReportKind::Summary); }});
    m_commands = std::make_unique<reports::ReportCommands>(
        *m_connection, *m_adoQuery11,
        reports::ReportCommands::Controls{m_editor, m_year, m_detailedBox, m_summaryBox}, [this] {
            m_runner->BitBtn1Click();
            return !m_runner->wasCancelled();
        });
    m_commands->setAssetView(&m_view);
    // Reports go to the working directory: a fresh one per test.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void ReportRunTest::cleanup()
{
    QDir::setCurrent(m_previousDir);
    m_commands.reset();
    m_runner.reset();
    m_shared.reset();
    m_adoQuery11.reset();
    m_adoQuery1.reset();
    m_connection.reset();
    m_dir.reset();
}

void ReportRunTest::use(const QString &database)
{
    m_shared->execSql(u"USE ["_qs + database + u']');
}

// DEMDetayli / DEMOzet as the main window wires them.
void ReportRunTest::run(ReportKind kind)
{
    if (kind == ReportKind::Detailed)
        m_commands->DEMDetayli();
    else
        m_commands->DEMOzet();
}

// Rows the report query gives in a database, asked independently of the run.
int reportRows(server::Connection &connection, ReportKind kind, const QString &database)
{
    server::Query probe(connection, u"probe"_qs);
    probe.setSql(u"USE ["_qs + database + u"]\n"_qs
                 + (kind == ReportKind::Detailed ? reports::detailedReportQuery(u"2024"_qs)
                                                 : reports::summaryReportQuery(u"2024"_qs)));
    probe.open();
    return int(probe.result()->rowCount());
}

int ReportRunTest::reportRows(ReportKind kind, const QString &database)
{
    const QString current = m_connection->defaultDatabase();
    const int rows = ::reportRows(*m_connection, kind, database);
    use(current);
    return rows;
}

void ReportRunTest::ownBoxCheckedWritesCurrentDatabaseOnly_data()
{
    QTest::addColumn<ReportKind>("kind");
    QTest::newRow("detailed") << ReportKind::Detailed;
    QTest::newRow("summary") << ReportKind::Summary;
}

void ReportRunTest::ownBoxCheckedWritesCurrentDatabaseOnly()
{
    QFETCH(ReportKind, kind);
    const bool detailed = kind == ReportKind::Detailed;
    (detailed ? m_detailedBox : m_summaryBox).checked = true;
    m_list.items = {{u"VEZ_002_2024"_qs, true}, {u"VEZ_003_2024"_qs, true}};
    m_editor.setText(u"SELECT 1"_qs);
    use(u"VEZ_001_2024"_qs);

    run(kind);

    const QString name = detailed ? u"VEZ_001_2024_Detay.xlsx"_qs : u"VEZ_001_2024_Ozet.xlsx"_qs;
    QCOMPARE(filesIn(m_dir->path()), QStringList{name});
    QVERIFY(m_view.shownIn.isEmpty());
    QCOMPARE(m_list.items[0].second, true); // no batch
    QCOMPARE(m_list.items[1].second, true);
    QVERIFY(m_status.writes.isEmpty());
    QCOMPARE(m_editor.text(), detailed ? reports::detailedReportQuery(u"2024"_qs)
                                       : reports::summaryReportQuery(u"2024"_qs));
    QVERIFY(m_adoQuery11->isOpen());

    const WorkbookContents book = readWorkbook(file(name));
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(book.rows.size(), (detailed ? 160 : 40) + 1);
    QCOMPARE(book.text(0, DONEM), u"DÖNEM"_qs);

    if (detailed) {
        // DMB-0001's fourth quarter: the amount above seven digits exact, the totals.
        const int r = findRow(book, u"DMB-0001"_qs, 4);
        QVERIFY(r > 0);
        QCOMPARE(book.kind(r, GIRIS_TAR), u"date"_qs);
        QCOMPARE(book.text(r, GIRIS_TAR), u"2022-06-15T00:00:00"_qs);
        QCOMPARE(book.number(r, GIRIS_TUTAR), 12345678.91);
        QCOMPARE(book.integer(r, YIL), 2024);
        QCOMPARE(book.number(r, DUZ_SON_AKTIF), 27751818.32);
        QCOMPARE(book.number(r, TOP_BIRIK), 8325545.46);
        QCOMPARE(book.number(r, TOP_AKTIF), 27751818.32);
        for (int quarter = 1; quarter <= 3; ++quarter)
            QVERIFY(findRow(book, u"DMB-0001"_qs, quarter) > 0);
        // The fallback of an unadjusted fourth quarter; a NULL total gives 0.
        const int fallback = findRow(book, u"DMB-0002"_qs, 4);
        QCOMPARE(book.number(fallback, DUZ_SON_AKTIF), 845000.0);
        QCOMPARE(book.number(fallback, TOP_BIRIK), 42250.0);
        const int nulls = findRow(book, u"DMB-0005"_qs, 4);
        QCOMPARE(book.number(nulls, TOP_BIRIK), 0.0);
        QCOMPARE(book.number(nulls, AMORT_BITIS), 0.0);
        // Left or excluded assets are not in it; duplicate rows fold.
        QCOMPARE(findRow(book, u"DMB-0003"_qs, 1), -1);
        QCOMPARE(findRow(book, u"DMB-0004"_qs, 1), -1);
        int dmb8 = 0;
        for (int row = 1; row < book.rows.size(); ++row)
            dmb8 += book.text(row, KOD) == u"DMB-0008"_qs ? 1 : 0;
        QCOMPARE(dmb8, 4);
    } else {
        const int r = findRow(book, u"DMB-0001"_qs, 0);
        QVERIFY(r > 0);
        QCOMPARE(book.number(r, AYRILAN), 2552198.71);
        QCOMPARE(book.number(r, TOP_AKTIF), 27751818.32);
    }
}

void ReportRunTest::ownBoxUncheckedWithNothingChecked()
{
    use(u"VEZ_004_2024"_qs);
    m_list.items = {{u"VEZ_002_2024"_qs, false}};
    run(ReportKind::Summary);

    QCOMPARE(filesIn(m_dir->path()), QStringList{u"VEZ_004_2024_Ozet.xlsx"_qs});
    QCOMPARE(m_view.shownIn, QStringList{u"VEZ_004_2024"_qs});
    QVERIFY(m_status.writes.isEmpty());
    QCOMPARE(m_editor.text(), reports::summaryReportQuery(u"2024"_qs));
}

void ReportRunTest::ownBoxUncheckedRunsBatchFirst()
{
    use(u"VEZ_001_2024"_qs);
    m_list.items = {{u"VEZ_002_2024"_qs, true}, {u"VEZ_001_2023"_qs, false}, {u"VEZ_003_2024"_qs, true},
                    {u"VEZ_005_2024"_qs, true}};
    run(ReportKind::Detailed);

    // The batch ran the editor's text (the detailed query) in each; the report
    // then went to the last database it processed.
    QCOMPARE(m_status.writes, (QStringList{u"VEZ_002_2024"_qs, u"VEZ_003_2024"_qs, u"VEZ_005_2024"_qs}));
    for (const auto &item : m_list.items)
        QVERIFY(!item.second);
    QCOMPARE(filesIn(m_dir->path()), QStringList{u"VEZ_005_2024_Detay.xlsx"_qs});
    QCOMPARE(m_view.shownIn, QStringList{u"VEZ_005_2024"_qs});
    const WorkbookContents book = readWorkbook(file(u"VEZ_005_2024_Detay.xlsx"_qs));
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(int(book.rows.size()) - 1, reportRows(ReportKind::Detailed, u"VEZ_005_2024"_qs));
    QCOMPARE(int(m_adoQuery11->result()->rowCount()), int(book.rows.size()) - 1);
}

void ReportRunTest::otherReportRunsInsideTheBatch()
{
    m_summaryBox.checked = true;
    m_list.items = {{u"VEZ_002_2024"_qs, true}, {u"VEZ_004_2024"_qs, true}};
    run(ReportKind::Detailed);

    QCOMPARE(filesIn(m_dir->path()), (QStringList{u"VEZ_002_2024_Ozet.xlsx"_qs, u"VEZ_004_2024_Detay.xlsx"_qs,
                                                   u"VEZ_004_2024_Ozet.xlsx"_qs}));
    QCOMPARE(m_view.shownIn, QStringList{u"VEZ_004_2024"_qs});
    QCOMPARE(m_editor.text(), reports::summaryReportQuery(u"2024"_qs));
    // The command's own report still opens the detailed query.
    const WorkbookContents detailed = readWorkbook(file(u"VEZ_004_2024_Detay.xlsx"_qs));
    QCOMPARE(int(detailed.rows.size()) - 1, reportRows(ReportKind::Detailed, u"VEZ_004_2024"_qs));
    QVERIFY(detailed.rows.size() > 1);
    QCOMPARE(detailed.integer(1, DONEM) >= 1, true);
    const WorkbookContents summary = readWorkbook(file(u"VEZ_002_2024_Ozet.xlsx"_qs));
    QCOMPARE(int(summary.rows.size()) - 1, reportRows(ReportKind::Summary, u"VEZ_002_2024"_qs));
    QCOMPARE(summary.integer(1, DONEM), 0);
}

void ReportRunTest::batchWithBothBoxes()
{
    m_detailedBox.checked = m_summaryBox.checked = true;
    const QStringList databases{u"VEZ_001_2024"_qs, u"VEZ_003_2024"_qs, u"VEZ_005_2024"_qs};
    for (const QString &d : databases)
        m_list.items.append({d, true});
    m_editor.setText(u"this is not SQL"_qs); // must never reach the server
    m_runner->BitBtn1Click();

    QStringList expected;
    for (const QString &d : databases)
        expected << d + u"_Detay.xlsx"_qs << d + u"_Ozet.xlsx"_qs;
    QCOMPARE(filesIn(m_dir->path()), expected);
    QVERIFY(m_view.shownIn.isEmpty());
    QCOMPARE(m_editor.text(), reports::summaryReportQuery(u"2024"_qs));
    for (const QString &d : databases) {
        for (ReportKind kind : {ReportKind::Detailed, ReportKind::Summary}) {
            const QString name = d + reports::reportSuffix(kind);
            const WorkbookContents book = readWorkbook(file(name));
            QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
            QCOMPARE(int(book.rows.size()) - 1, reportRows(kind, d));
        }
    }
}

void ReportRunTest::errorInSecondOfThreeDatabases()
{
    // PERSONEL_TAKIP has no fixed-asset tables: its report fails when opened.
    m_detailedBox.checked = true;
    m_list.items = {{u"VEZ_002_2024"_qs, true}, {u"PERSONEL_TAKIP"_qs, true}, {u"VEZ_003_2024"_qs, true}};
    QVERIFY_THROWS_EXCEPTION(Error, m_runner->BitBtn1Click());

    QCOMPARE(filesIn(m_dir->path()), QStringList{u"VEZ_002_2024_Detay.xlsx"_qs});
    QCOMPARE(m_list.items[0].second, false);
    QCOMPARE(m_list.items[1].second, true);
    QCOMPARE(m_list.items[2].second, true);
    QCOMPARE(m_connection->defaultDatabase(), u"PERSONEL_TAKIP"_qs);
    QCOMPARE(m_status.writes, QStringList{u"VEZ_002_2024"_qs});
    QCOMPARE(m_editor.text(), reports::detailedReportQuery(u"2024"_qs));
}

void ReportRunTest::cancelAfterFirstDatabase()
{
    workbench::CancelAfter cancel(1);
    m_progress = &cancel;
    m_runner = std::make_unique<workbench::BatchRunner>(
        *m_shared,
        workbench::BatchRunner::Controls{m_list, m_detailedBox, m_summaryBox, m_editor, m_status, m_busy, cancel},
        workbench::BatchRunner::Reports{[this] { run(ReportKind::Detailed); },
                                        [this] { run(ReportKind::Summary); }});
    m_summaryBox.checked = true;
    m_list.items = {{u"VEZ_002_2024"_qs, true}, {u"VEZ_003_2024"_qs, true}, {u"VEZ_004_2024"_qs, true}};
    run(ReportKind::Detailed);

    // The run stopped before the second database, and the command with it.
    QCOMPARE(filesIn(m_dir->path()), QStringList{u"VEZ_002_2024_Ozet.xlsx"_qs});
    QVERIFY(m_view.shownIn.isEmpty());
    QCOMPARE(m_list.items[0].second, false);
    QCOMPARE(m_list.items[1].second, true);
    QCOMPARE(m_list.items[2].second, true);
}

void ReportRunTest::yearMatchingNothingGivesHeaderOnly_data()
{
    QTest::addColumn<QString>("year");
    QTest::newRow("empty") << QString();
    QTest::newRow("quote") << u"2024' OR '1'='1"_qs;
}

void ReportRunTest::yearMatchingNothingGivesHeaderOnly()
{
    QFETCH(QString, year);
    m_year.value = year;
    use(u"VEZ_001_2024"_qs);
    run(ReportKind::Detailed);

    const WorkbookContents book = readWorkbook(file(u"VEZ_001_2024_Detay.xlsx"_qs));
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(book.rows.size(), 1);
    QCOMPARE(m_view.shownIn.size(), 1);
    QCOMPARE(m_adoQuery11->result()->rowCount(), 0);
}

void ReportRunTest::unwritableWorkingDirectory()
{
#ifdef Q_OS_LINUX
    // Not even root can create files in /proc.
    QVERIFY(QDir::setCurrent(u"/proc"_qs));
    m_detailedBox.checked = true;
    use(u"VEZ_001_2024"_qs);
    QString raised;
    try {
        run(ReportKind::Detailed);
    } catch (const Error &e) {
        raised = e.message();
    }
    QVERIFY2(raised.contains(u"/proc/VEZ_001_2024_Detay.xlsx"_qs), qPrintable(raised));
    QVERIFY(!QFile::exists(u"/proc/VEZ_001_2024_Detay.xlsx"_qs));
#else
    QSKIP("needs a folder nobody can write to");
#endif
}

void ReportRunTest::fileNameOfDatabase_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << u"VEZ_001_2024"_qs << u"VEZ_001_2024_Detay.xlsx"_qs;
    QTest::newRow("blank") << u"VEZ ARSIV 2022"_qs << u"VEZ ARSIV 2022_Detay.xlsx"_qs;
    QTest::newRow("slash") << u"VEZ/2024"_qs << u"VEZ_2024_Detay.xlsx"_qs;
    QTest::newRow("reserved") << u"a\\b:c*d?e\"f<g>h|i"_qs << u"a_b_c_d_e_f_g_h_i_Detay.xlsx"_qs;
    QTest::newRow("control") << u"A\tB\nC"_qs << u"A_B_C_Detay.xlsx"_qs;
    QTest::newRow("turkish") << u"ŞİRKET_ĞÜÇ"_qs << u"ŞİRKET_ĞÜÇ_Detay.xlsx"_qs;
    QTest::newRow("parent") << u".."_qs << u".._Detay.xlsx"_qs;
}

void ReportRunTest::fileNameOfDatabase()
{
    QFETCH(QString, database);
    QFETCH(QString, fileName);
    const QString path = reports::reportFilePath(u"/work/reports"_qs, database, ReportKind::Detailed);
    QCOMPARE(path, QDir::toNativeSeparators(u"/work/reports/"_qs + fileName));
}

void ReportRunTest::databaseWithBlankInName()
{
    m_summaryBox.checked = true;
    m_list.items = {{u"VEZ ARSIV 2022"_qs, true}};
    m_year.value = u"2022"_qs;
    m_editor.setText(u"SELECT 1"_qs); // the batch runs it before the report
    m_runner->BitBtn1Click();
    QCOMPARE(filesIn(m_dir->path()), QStringList{u"VEZ ARSIV 2022_Ozet.xlsx"_qs});
    const WorkbookContents book = readWorkbook(file(u"VEZ ARSIV 2022_Ozet.xlsx"_qs));
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QVERIFY(book.rows.size() > 1);
    QCOMPARE(book.integer(1, YIL), 2022);
}

QTEST_GUILESS_MAIN(ReportRunTest)
#include "tst_ReportRun.moc"
