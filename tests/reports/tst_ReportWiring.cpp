// The report commands as the main window runs them: its buttons' handlers,
// its batch, its error wrapper and the asset view created beside it.
#include "WorkbookReader.h"

#include "reports/Forms3.h"
#include "reports/ReportCommands.h"
#include "reports/ReportQueries.h"
#include "server/Connection.h"
#include "server/Query.h"
#include "shell/Unit1.h"
#include "tests/support/StandinServer.h"

#include <QCheckBox>
#include <QDir>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace yorsabat;

namespace {

struct RecordedErrors : ErrorReporter
{
    QStringList messages;
    void showError(const QString &message) override { messages << message; }
};

} // namespace

class ReportWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void summaryPerCompanyThenDetailedWithView();
    void errorInTheBatchEndsTheCommand();

private:
    struct Window;
};

// The main window with Form3 beside it, connected to a demo instance, in a
// fresh working directory.
struct ReportWiringTest::Window
{
    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    testing::StandinServer server{[] {
        testing::StandinServer::Options options;
        options.seedDemo = true;
        return options;
    }()};
    std::unique_ptr<TRuZovi1> main;
    std::unique_ptr<TForm3> form3;
    RecordedErrors errors;

    bool start()
    {
        QDir::setCurrent(dir.path());
        if (!server.start())
            return false;
        main = std::make_unique<TRuZovi1>();
        form3 = std::make_unique<TForm3>(main->ADOQuery11());
        main->reports().setAssetView(form3.get());
        main->setErrorReporter(&errors);
        main->ADOConnection1().setConnectionString(server.oleDbConnectionString());
        main->ADOConnection1().open();
        main->yearBox().setText(u"2024"_qs);
        return true;
    }
    ~Window()
    {
        form3.reset();
        main.reset();
        QDir::setCurrent(previousDir);
    }
    void check(const char *box, bool on) { main->findChild<QCheckBox *>(QLatin1String(box))->setChecked(on); }
    QStringList files() const { return QDir(dir.path()).entryList({u"*.xlsx"_qs}, QDir::Files, QDir::Name); }
};

void ReportWiringTest::summaryPerCompanyThenDetailedWithView()
{
    Window w;
    QVERIFY2(w.start(), qPrintable(w.server.errorText()));
    w.main->databaseList().clear();
    w.main->databaseList().addChecked(u"VEZ_001_2024"_qs);
    w.main->databaseList().addChecked(u"VEZ_002_2024"_qs);
    w.main->editor().setText(u"SELECT 1"_qs);
    w.check("CheckBox3", true);

    w.main->BitBtn1Click(); // "Başlat"
    QCOMPARE(w.errors.messages, QStringList());
    QCOMPARE(w.files(), (QStringList{u"VEZ_001_2024_Ozet.xlsx"_qs, u"VEZ_002_2024_Ozet.xlsx"_qs}));
    QVERIFY(!w.form3->isVisible());
    const WorkbookContents summary = readWorkbook(w.dir.filePath(u"VEZ_001_2024_Ozet.xlsx"_qs));
    QVERIFY2(summary.error.isEmpty(), qPrintable(summary.error));
    QCOMPARE(summary.rows.size(), 41);

    // "Demirbaş Detaylı" with its box unchecked: nothing left checked, so the
    // report runs in the current database and the asset view shows it.
    w.check("CheckBox3", false);
    w.main->DEMDetayli();
    QCOMPARE(w.errors.messages, QStringList());
    QCOMPARE(w.files(), (QStringList{u"VEZ_001_2024_Ozet.xlsx"_qs, u"VEZ_002_2024_Detay.xlsx"_qs,
                                     u"VEZ_002_2024_Ozet.xlsx"_qs}));
    QVERIFY(w.form3->isVisible());
    const int rows = int(w.main->ADOQuery11().result()->rowCount());
    QVERIFY(rows > 0);
    QCOMPARE(w.form3->cxGrid1()->model()->rowCount(), rows);
    QCOMPARE(w.main->editor().text(), reports::detailedReportQuery(u"2024"_qs));
    const WorkbookContents detailed = readWorkbook(w.dir.filePath(u"VEZ_002_2024_Detay.xlsx"_qs));
    QCOMPARE(int(detailed.rows.size()) - 1, rows);
}

void ReportWiringTest::errorInTheBatchEndsTheCommand()
{
    Window w;
    QVERIFY2(w.start(), qPrintable(w.server.errorText()));
    w.main->databaseList().clear();
    w.main->databaseList().addChecked(u"VEZ_003_2024"_qs);
    w.main->databaseList().addChecked(u"PERSONEL_TAKIP"_qs); // no fixed-asset tables
    w.check("CheckBox3", true);

    // The batch runs the detailed query (now in the editor) and the summary
    // report in each; the second database fails, and the command ends there.
    w.main->DEMDetayli();
    QCOMPARE(w.errors.messages.size(), 1);
    QCOMPARE(w.files(), QStringList{u"VEZ_003_2024_Ozet.xlsx"_qs});
    QVERIFY(!w.form3->isVisible());
    QVERIFY(!w.main->databaseList().isChecked(0));
    QVERIFY(w.main->databaseList().isChecked(1));
}

QTEST_MAIN(ReportWiringTest)
#include "tst_ReportWiring.moc"
