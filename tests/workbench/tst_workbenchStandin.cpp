// The workbench's commands against the stand-in server over the real driver.
#include "server/Connection.h"
#include "server/Query.h"
#include "shell/Error.h"
#include "shell/PlainPorts.h"
#include "tests/support/StandinServer.h"
#include "workbench/BatchProgress.h"
#include "workbench/BatchRunner.h"
#include "workbench/CannedQueries.h"
#include "workbench/SharedQuery.h"
#include "workbench/Statements.h"
#include "workbench/Unit2.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace yorsabat;
using namespace yorsabat::workbench;

// Runs a step that must succeed; a raised error fails the test with its message.
#define STEP(expr)                                                                                                     \
    do {                                                                                                               \
        try {                                                                                                          \
            expr;                                                                                                      \
        } catch (const yorsabat::Error &e) {                                                                           \
            QFAIL(qPrintable(QStringLiteral(#expr ": ") + e.message()));                                               \
        }                                                                                                              \
    } while (false)

namespace {

QString cell(const QAbstractItemModel *model, int row, int column)
{
    return model->data(model->index(row, column)).toString();
}

QStringList headers(const QAbstractItemModel *model)
{
    QStringList names;
    for (int c = 0; c < model->columnCount(); ++c)
        names << model->headerData(c, Qt::Horizontal).toString();
    return names;
}

} // namespace

class WorkbenchStandinTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void execSqlShowsTheCurrentDatabase();
    void openRunsTheWholeBatchAndShowsRows();
    void openWithoutRowsetFails();
    void emptyEditorFails_data();
    void emptyEditorFails();
    void goLineIsRejectedByTheServer();
    void resultWindowEmptiesOnLaterStatements();
    void bottomGridColumns_data();
    void bottomGridColumns();
    void bottomRowsGrowToFitTheirText();

    void batchWithoutReportBoxes();
    void batchWithBothReportBoxes();
    void batchErrorInSecondOfThree();
    void batchCancelAfterFirst();

private:
    void connectFresh();
    QStringList tableInEveryDatabase(const QStringList &databases, const QString &table);

    std::unique_ptr<testing::StandinServer> m_server;
    std::unique_ptr<server::Connection> m_connection;
    std::unique_ptr<server::Query> m_query;
    std::unique_ptr<ServerSharedQuery> m_shared;
    std::unique_ptr<TForm2> m_form;

    plain::Editor m_editor;
    plain::StatusLine m_status;
    plain::BusyCursor m_busy;
};

void WorkbenchStandinTest::initTestCase()
{
    testing::StandinServer::Options options;
    options.seedDemo = true;
    m_server = std::make_unique<testing::StandinServer>(options);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
}

void WorkbenchStandinTest::init()
{
    m_connection = std::make_unique<server::Connection>();
    m_connection->setConnectionString(m_server->oleDbConnectionString());
    STEP(m_connection->open());
    m_query = std::make_unique<server::Query>(*m_connection, QStringLiteral("ADOQuery1"));
    m_shared = std::make_unique<ServerSharedQuery>(*m_query, *m_connection);
    m_form = std::make_unique<TForm2>(*m_query);
    m_editor = {};
    m_status = {};
    m_busy = {};
}

void WorkbenchStandinTest::cleanup()
{
    m_form.reset();
    m_shared.reset();
    m_query.reset();
    m_connection.reset();
}

void WorkbenchStandinTest::execSqlShowsTheCurrentDatabase()
{
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    m_editor.setText(QStringLiteral("USE VEZ_001_2024\nSELECT * FROM SABITLER;\nUSE VEZ_002_2024"));
    STEP(statements.Button3Click());
    QCOMPARE(m_status.value, QStringLiteral("VEZ_002_2024"));
    QVERIFY(!m_busy.busy);
    QVERIFY(!m_form->isVisible());
    QVERIFY(!m_query->isOpen());

    // It stays current for later statements of any command.
    m_editor.setText(QStringLiteral("SELECT DB_NAME() AS N"));
    STEP(statements.Button4Click());
    QCOMPARE(cell(m_form->DBGrid1()->model(), 0, 0), QStringLiteral("VEZ_002_2024"));
}

void WorkbenchStandinTest::openRunsTheWholeBatchAndShowsRows()
{
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    m_status.value = QStringLiteral("unchanged");
    m_editor.setText(QStringLiteral("USE VEZ_003_2024\n"
                                    "UPDATE SABITLER SET SABITDEGER = 'güncellendi' WHERE SABITMODUL = 22\n"
                                    "SELECT SABITKONU, SABITDEGER FROM SABITLER WHERE SABITMODUL = 22"));
    STEP(statements.Button4Click());
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_busy.busy);
    QCOMPARE(m_status.value, QStringLiteral("unchanged"));
    const QAbstractItemModel *top = m_form->DBGrid1()->model();
    QCOMPARE(headers(top), (QStringList{"SABITKONU", "SABITDEGER"}));
    QVERIFY(top->rowCount() > 0);
    for (int r = 0; r < top->rowCount(); ++r)
        QCOMPARE(cell(top, r, 1), QStringLiteral("güncellendi"));
}

void WorkbenchStandinTest::openWithoutRowsetFails()
{
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    m_editor.setText(QStringLiteral("USE VEZ_004_2024\nUPDATE SABITLER SET SABITDEGER = 'x' WHERE SABITMODUL = 25"));
    try {
        statements.Button4Click();
        QFAIL("an Open without a rowset must fail");
    } catch (const Error &e) {
        QCOMPARE(e.message(), QStringLiteral("ADOQuery1: CommandText does not return a result set"));
    }
    QVERIFY(!m_form->isVisible());
    QVERIFY(m_busy.busy);
    // The update ran all the same.
    m_editor.setText(QStringLiteral("SELECT COUNT(*) AS N FROM SABITLER WHERE SABITMODUL = 25 AND SABITDEGER <> 'x'"));
    STEP(statements.Button4Click());
    QCOMPARE(cell(m_form->DBGrid1()->model(), 0, 0), QStringLiteral("0"));
}

void WorkbenchStandinTest::emptyEditorFails_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("ExecSQL") << false;
    QTest::newRow("Open") << true;
}

void WorkbenchStandinTest::emptyEditorFails()
{
    QFETCH(bool, open);
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    m_status.value = QStringLiteral("unchanged");
    QVERIFY_THROWS_EXCEPTION(Error, open ? statements.Button4Click() : statements.Button3Click());
    QCOMPARE(m_status.value, QStringLiteral("unchanged"));
    QVERIFY(!m_form->isVisible());
}

void WorkbenchStandinTest::goLineIsRejectedByTheServer()
{
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    m_editor.setText(QStringLiteral("SELECT 1 AS A\nGO\nSELECT 2 AS B"));
    QVERIFY_THROWS_EXCEPTION(Error, statements.Button3Click());
    QCOMPARE(m_status.value, QString());
}

void WorkbenchStandinTest::resultWindowEmptiesOnLaterStatements()
{
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    m_editor.setText(QStringLiteral("USE VEZ_001_2024\nSELECT * FROM MUHHAR"));
    STEP(statements.Button4Click());
    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->DBGrid1()->model()->rowCount() > 0);
    QVERIFY(m_form->cxGrid1DBTableView1()->model()->rowCount() > 0);

    m_editor.setText(QStringLiteral("SELECT 1 AS A"));
    STEP(statements.Button3Click());
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_form->DBGrid1()->model()->rowCount(), 0);
    QCOMPARE(m_form->cxGrid1DBTableView1()->model()->rowCount(), 0);
    QCOMPARE(headers(m_form->cxGrid1DBTableView1()->model()).size(), 6);
}

void WorkbenchStandinTest::bottomGridColumns_data()
{
    QTest::addColumn<bool>("voucher");
    QTest::newRow("voucher breakdown") << true;
    QTest::newRow("unrelated result") << false;
}

void WorkbenchStandinTest::bottomGridColumns()
{
    QFETCH(bool, voucher);
    plain::TextBox yearBox(QStringLiteral("2024"));
    CannedQueries canned(m_editor, yearBox);
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    STEP(m_shared->execSql(QStringLiteral("USE VEZ_001_2024")));
    if (voucher)
        STEP(canned.BitBtn2Click());
    else
        m_editor.setText(QStringLiteral("SELECT SABITMODUL, SABITKONU FROM SABITLER"));
    STEP(statements.Button4Click());

    const QAbstractItemModel *top = m_form->DBGrid1()->model();
    const QAbstractItemModel *bottom = m_form->cxGrid1DBTableView1()->model();
    QCOMPARE(headers(bottom), (QStringList{"MUHHAREVRAKTAR", "MUHHARACIKLAMA", "MUHHARTUTAR", "MUHHAREVRAKNO",
                                          "MUHHARBATIPI", "MUHHARSIRANO"}));
    QCOMPARE(bottom->rowCount(), top->rowCount());
    QVERIFY(top->rowCount() > 0);
    if (voucher) {
        QCOMPARE(top->columnCount(), 7);
        const int evrakNo = headers(top).indexOf(QStringLiteral("MUHHAREVRAKNO"));
        for (int r = 0; r < bottom->rowCount(); ++r) {
            for (int c = 0; c < 5; ++c)
                QVERIFY2(!cell(bottom, r, c).isEmpty(), qPrintable(QStringLiteral("row %1 col %2").arg(r).arg(c)));
            QCOMPARE(cell(bottom, r, 5), QString());
            QCOMPARE(cell(bottom, r, 3), cell(top, r, evrakNo));
        }
    } else {
        QCOMPARE(top->columnCount(), 2);
        for (int c = 0; c < 6; ++c)
            QCOMPARE(cell(bottom, 0, c), QString());
    }
}

void WorkbenchStandinTest::bottomRowsGrowToFitTheirText()
{
    Statements statements(*m_shared, {m_editor, m_status, m_busy, *m_form});
    m_editor.setText(QStringLiteral("USE VEZ_001_2024\nSELECT * FROM MUHHAR ORDER BY MUHHARSIRANO"));
    STEP(statements.Button4Click());
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTableView *bottom = m_form->cxGrid1DBTableView1();
    const int oneLine = bottom->verticalHeader()->defaultSectionSize();
    const int description = 1; // MUHHARACIKLAMA, 163 pixels wide
    const auto needsWrap = [&](int row) {
        return bottom->fontMetrics().horizontalAdvance(cell(bottom->model(), row, description)) > 163;
    };

    // Rows in sight whose description is wider than its column grow; rows far
    // below are not measured.
    const int rows = bottom->model()->rowCount();
    QVERIFY(rows > 30);
    int grown = 0;
    for (int r = 0; r <= bottom->rowAt(bottom->viewport()->height() - 1) && r >= 0; ++r) {
        if (needsWrap(r)) {
            QTRY_VERIFY(bottom->rowHeight(r) > oneLine);
            ++grown;
        }
    }
    QVERIFY2(grown > 0, "the demo ledger has descriptions wider than their column");
    QCOMPARE(bottom->rowHeight(rows - 1), oneLine);

    // Scrolled to the end, the rows then in sight are fitted too.
    bottom->scrollToBottom();
    int last = -1;
    for (int r = rows - 1; r >= 0 && last < 0; --r)
        last = needsWrap(r) ? r : -1;
    QVERIFY(last >= 0);
    bottom->scrollTo(bottom->model()->index(last, description));
    QTRY_VERIFY(bottom->rowHeight(last) > oneLine);
    // The top grid keeps one line per row.
    QCOMPARE(m_form->DBGrid1()->rowHeight(0), m_form->DBGrid1()->verticalHeader()->defaultSectionSize());
}

QStringList WorkbenchStandinTest::tableInEveryDatabase(const QStringList &databases, const QString &table)
{
    // Which of the databases hold the table, read through a query of its own.
    server::Query probe(*m_connection, QStringLiteral("probe"));
    QStringList holding;
    for (const QString &database : databases) {
        probe.setSql(QStringLiteral("USE [%1]\nSELECT name FROM sys.tables WHERE name = '%2'").arg(database, table));
        try {
            probe.open();
        } catch (const Error &e) {
            return {QStringLiteral("error: ") + e.message()};
        }
        if (probe.result()->rowCount() > 0)
            holding << database;
    }
    return holding;
}

void WorkbenchStandinTest::batchWithoutReportBoxes()
{
    plain::CheckList list;
    list.items = {{"VEZ_001_2024", true}, {"VEZ_001_2023", false}, {"VEZ ARSIV 2022", true}, {"VEZ_002_2024", true}};
    plain::Toggle detailed, summary;
    NoBatchProgress progress;
    BatchRunner runner(*m_shared, {list, detailed, summary, m_editor, m_status, m_busy, progress});
    m_editor.setText(QStringLiteral("CREATE TABLE BATCH_NONE (X int)"));
    STEP(runner.BitBtn1Click());

    QCOMPARE(tableInEveryDatabase({"VEZ_001_2024", "VEZ_001_2023", "VEZ ARSIV 2022", "VEZ_002_2024"},
                                  QStringLiteral("BATCH_NONE")),
             (QStringList{"VEZ_001_2024", "VEZ ARSIV 2022", "VEZ_002_2024"}));
    QCOMPARE(m_status.writes, (QStringList{"VEZ_001_2024", "VEZ ARSIV 2022", "VEZ_002_2024"}));
    for (const auto &item : list.items)
        QVERIFY(!item.second);
    QVERIFY(!m_busy.busy);
}

void WorkbenchStandinTest::batchWithBothReportBoxes()
{
    plain::CheckList list;
    list.items = {{"VEZ_003_2024", true}, {"VEZ_004_2024", true}};
    plain::Toggle detailed, summary;
    detailed.checked = summary.checked = true;
    NoBatchProgress progress;
    QStringList calls;
    const auto report = [&](const QString &kind) {
        calls << kind + QLatin1Char('@') + m_connection->defaultDatabase();
        m_editor.setText(kind + QStringLiteral(" query text"));
    };
    BatchRunner runner(*m_shared, {list, detailed, summary, m_editor, m_status, m_busy, progress},
                       {[&] { report(QStringLiteral("DETAY")); }, [&] { report(QStringLiteral("OZET")); }});
    // The editor's own text must never reach the server: it would fail.
    m_editor.setText(QStringLiteral("not sql at all"));
    STEP(runner.BitBtn1Click());

    QCOMPARE(calls, (QStringList{"DETAY@VEZ_003_2024", "OZET@VEZ_003_2024", "DETAY@VEZ_004_2024",
                                 "OZET@VEZ_004_2024"}));
    QCOMPARE(m_status.writes, (QStringList{"VEZ_003_2024", "VEZ_004_2024"}));
    QVERIFY(!list.items[0].second && !list.items[1].second);
}

void WorkbenchStandinTest::batchErrorInSecondOfThree()
{
    plain::CheckList list;
    list.items = {{"VEZ_004_2024", true}, {"PERSONEL_TAKIP", true}, {"VEZ_005_2024", true}};
    plain::Toggle detailed, summary;
    NoBatchProgress progress;
    BatchRunner runner(*m_shared, {list, detailed, summary, m_editor, m_status, m_busy, progress});
    // PERSONEL_TAKIP has no MUHHAR: the second statement fails after the first ran.
    m_editor.setText(QStringLiteral("CREATE TABLE BATCH_ERR (X int)\nUPDATE MUHHAR SET MUHHARBELTUR = MUHHARBELTUR"));
    QVERIFY_THROWS_EXCEPTION(Error, runner.BitBtn1Click());

    QCOMPARE(list.items[0].second, false);
    QCOMPARE(list.items[1].second, true);
    QCOMPARE(list.items[2].second, true);
    QCOMPARE(m_connection->defaultDatabase(), QStringLiteral("PERSONEL_TAKIP"));
    QCOMPARE(m_status.writes, QStringList{"VEZ_004_2024"});
    QVERIFY(m_busy.busy);
    // Nothing is rolled back: the failing database keeps what ran before the error.
    QCOMPARE(tableInEveryDatabase({"VEZ_004_2024", "PERSONEL_TAKIP", "VEZ_005_2024"}, QStringLiteral("BATCH_ERR")),
             (QStringList{"VEZ_004_2024", "PERSONEL_TAKIP"}));
}

void WorkbenchStandinTest::batchCancelAfterFirst()
{
    plain::CheckList list;
    list.items = {{"VEZ_002_2024", true}, {"VEZ_003_2024", true}, {"VEZ_005_2024", true}};
    plain::Toggle detailed, summary;
    summary.checked = true;
    CancelAfter progress(1);
    QStringList calls;
    BatchRunner runner(*m_shared, {list, detailed, summary, m_editor, m_status, m_busy, progress},
                       {{}, [&] { calls << m_connection->defaultDatabase(); }});
    m_editor.setText(QStringLiteral("CREATE TABLE BATCH_CANCEL (X int)"));
    STEP(runner.BitBtn1Click());

    QVERIFY(runner.wasCancelled());
    QCOMPARE(calls, QStringList{"VEZ_002_2024"});
    QCOMPARE(list.items[0].second, false);
    QCOMPARE(list.items[1].second, true);
    QCOMPARE(list.items[2].second, true);
    QVERIFY(!m_busy.busy);
    QCOMPARE(tableInEveryDatabase({"VEZ_002_2024", "VEZ_003_2024", "VEZ_005_2024"}, QStringLiteral("BATCH_CANCEL")),
             QStringList{"VEZ_002_2024"});
}

QTEST_MAIN(WorkbenchStandinTest)
#include "tst_workbenchStandin.moc"
