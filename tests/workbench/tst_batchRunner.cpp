#include "shell/Error.h"
#include "shell/PlainPorts.h"
#include "workbench/BatchProgress.h"
#include "workbench/BatchRunner.h"
#include "workbench/SharedQuery.h"

#include <QtTest>

using namespace yorsabat;
using namespace yorsabat::workbench;

namespace {

// Records every statement and every report in one journal; "USE [x]" makes x
// current; a statement listed in failOn raises.
struct Journal : SharedQuery
{
    QStringList entries;
    QString current = QStringLiteral("master");
    QStringList failOn;

    void execSql(const QString &sql) override
    {
        entries << sql;
        if (failOn.contains(sql))
            throw Error(QStringLiteral("refused: ") + sql);
        if (sql.startsWith(QLatin1String("USE [")))
            current = sql.mid(5, sql.size() - 6).replace(QLatin1String("]]"), QLatin1String("]"));
    }
    void open(const QString &sql) override { entries << QStringLiteral("open ") + sql; }
    QString currentDatabase() const override { return current; }
};

struct RecordingProgress : BatchProgress
{
    QStringList calls;
    int cancelAfter = -1; // databases started before Cancel is pressed
    int started = 0;
    void begin(int total) override { calls << QStringLiteral("begin %1").arg(total); }
    bool cancelRequested() override { return cancelAfter >= 0 && started >= cancelAfter; }
    void databaseStarting(int number, int total, const QString &name) override
    {
        ++started;
        calls << QStringLiteral("%1/%2 %3").arg(number).arg(total).arg(name);
    }
    void end() override { calls << QStringLiteral("end"); }
};

struct Fixture
{
    Journal query;
    plain::CheckList list;
    plain::Toggle detailedBox;
    plain::Toggle summaryBox;
    plain::Editor editor;
    plain::StatusLine status;
    plain::BusyCursor busy;
    RecordingProgress progress;
    BatchRunner runner{query,
                       {list, detailedBox, summaryBox, editor, status, busy, progress},
                       {[this] { report(QStringLiteral("DETAY"), QStringLiteral("detailed query")); },
                        [this] { report(QStringLiteral("OZET"), QStringLiteral("summary query")); }}};

    // A report puts its query into the editor, as the report commands do.
    void report(const QString &kind, const QString &queryText)
    {
        query.entries << QStringLiteral("%1 in %2").arg(kind, query.current);
        editor.setText(queryText);
    }

    void items(const QList<QPair<QString, bool>> &items) { list.items = items; }
    QList<bool> checks() const
    {
        QList<bool> result;
        for (const auto &item : list.items)
            result << item.second;
        return result;
    }
};

} // namespace

class BatchRunnerTest : public QObject
{
    Q_OBJECT

private slots:
    void turnByReportBoxes_data();
    void turnByReportBoxes();
    void walksCheckedItemsInOrder();
    void nothingCheckedSendsNothing();
    void errorInSecondDatabaseStopsThere();
    void failingUseKeepsPreviousDatabase();
    void cancelAfterFirstDatabase();
    void nameIsQuotedAsIdentifier();
    void editorTextIsReadForEveryDatabase();
};

void BatchRunnerTest::turnByReportBoxes_data()
{
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<bool>("summary");
    QTest::addColumn<QStringList>("turn");

    QTest::newRow("neither") << false << false << QStringList{"USE [A]", "my sql"};
    QTest::newRow("detailed") << true << false << QStringList{"USE [A]", "DETAY in A", "detailed query"};
    QTest::newRow("summary") << false << true << QStringList{"USE [A]", "my sql", "OZET in A"};
    QTest::newRow("both") << true << true << QStringList{"USE [A]", "DETAY in A", "OZET in A"};
}

void BatchRunnerTest::turnByReportBoxes()
{
    QFETCH(bool, detailed);
    QFETCH(bool, summary);
    QFETCH(QStringList, turn);

    Fixture f;
    f.items({{"A", true}});
    f.detailedBox.checked = detailed;
    f.summaryBox.checked = summary;
    f.editor.setText(QStringLiteral("my sql"));
    f.runner.BitBtn1Click();

    QCOMPARE(f.query.entries, turn);
    QCOMPARE(f.checks(), QList<bool>{false});
    QCOMPARE(f.status.writes, QStringList{"A"});
    QVERIFY(!f.busy.busy);
    QCOMPARE(f.busy.ons, 1);
}

void BatchRunnerTest::walksCheckedItemsInOrder()
{
    Fixture f;
    f.items({{"A", true}, {"skip", false}, {"B", true}, {"C", true}, {"also skipped", false}});
    f.editor.setText(QStringLiteral("UPDATE T SET X = 1"));
    f.runner.BitBtn1Click();

    QCOMPARE(f.query.entries, (QStringList{"USE [A]", "UPDATE T SET X = 1", "USE [B]", "UPDATE T SET X = 1",
                                           "USE [C]", "UPDATE T SET X = 1"}));
    QCOMPARE(f.checks(), (QList<bool>{false, false, false, false, false}));
    QCOMPARE(f.status.writes, (QStringList{"A", "B", "C"}));
    QCOMPARE(f.progress.calls, (QStringList{"begin 3", "1/3 A", "2/3 B", "3/3 C", "end"}));
    QVERIFY(!f.runner.wasCancelled());

    // A second press right away has nothing to do.
    f.query.entries.clear();
    f.runner.BitBtn1Click();
    QVERIFY(f.query.entries.isEmpty());
    QCOMPARE(f.busy.ons, 2);
    QVERIFY(!f.busy.busy);
}

void BatchRunnerTest::nothingCheckedSendsNothing()
{
    Fixture f;
    f.items({{"A", false}, {"B", false}});
    f.status.value = QStringLiteral("before");
    f.runner.BitBtn1Click();
    QVERIFY(f.query.entries.isEmpty());
    QCOMPARE(f.status.value, QStringLiteral("before"));
    QVERIFY(f.progress.calls.isEmpty());
    QVERIFY(!f.busy.busy);

    f.items({});
    f.runner.BitBtn1Click();
    QVERIFY(f.query.entries.isEmpty());
}

void BatchRunnerTest::errorInSecondDatabaseStopsThere()
{
    Fixture f;
    f.items({{"A", true}, {"B", true}, {"C", true}});
    f.summaryBox.checked = true;
    f.editor.setText(QStringLiteral("my sql"));
    // The summary report has replaced the editor's text by B's turn.
    f.query.failOn << QStringLiteral("summary query");

    QVERIFY_THROWS_EXCEPTION(Error, f.runner.BitBtn1Click());

    QCOMPARE(f.query.entries, (QStringList{"USE [A]", "my sql", "OZET in A", "USE [B]", "summary query"}));
    QCOMPARE(f.checks(), (QList<bool>{false, true, true}));
    QCOMPARE(f.query.current, QStringLiteral("B"));
    QCOMPARE(f.status.writes, QStringList{"A"});
    QVERIFY(f.busy.busy); // until the periodic reset
    QCOMPARE(f.progress.calls.last(), QStringLiteral("end"));

    // The next press starts over at the failing database.
    f.query.failOn.clear();
    f.query.entries.clear();
    f.runner.BitBtn1Click();
    QCOMPARE(f.query.entries.first(), QStringLiteral("USE [B]"));
    QCOMPARE(f.checks(), (QList<bool>{false, false, false}));
}

void BatchRunnerTest::failingUseKeepsPreviousDatabase()
{
    Fixture f;
    f.items({{"A", true}, {"gone", true}});
    f.editor.setText(QStringLiteral("x"));
    f.query.failOn << QStringLiteral("USE [gone]");
    QVERIFY_THROWS_EXCEPTION(Error, f.runner.BitBtn1Click());
    QCOMPARE(f.query.current, QStringLiteral("A"));
    QCOMPARE(f.checks(), (QList<bool>{false, true}));
}

void BatchRunnerTest::cancelAfterFirstDatabase()
{
    Fixture f;
    f.items({{"A", true}, {"B", true}, {"C", true}});
    f.detailedBox.checked = true;
    f.progress.cancelAfter = 1;
    f.editor.setText(QStringLiteral("my sql"));
    f.status.value = QStringLiteral("before");
    f.runner.BitBtn1Click();

    QVERIFY(f.runner.wasCancelled());
    QCOMPARE(f.query.entries, (QStringList{"USE [A]", "DETAY in A", "detailed query"}));
    QCOMPARE(f.checks(), (QList<bool>{false, true, true}));
    QCOMPARE(f.status.writes, QStringList{"A"});
    QCOMPARE(f.progress.calls, (QStringList{"begin 3", "1/3 A", "end"}));
    QVERIFY(!f.busy.busy);
}

void BatchRunnerTest::nameIsQuotedAsIdentifier()
{
    Fixture f;
    f.items({{"VEZ 001]x;DROP", true}});
    f.editor.setText(QStringLiteral("SELECT 1"));
    f.runner.BitBtn1Click();
    QCOMPARE(f.query.entries.first(), QStringLiteral("USE [VEZ 001]]x;DROP]"));
    QCOMPARE(f.status.value, QStringLiteral("VEZ 001]x;DROP"));
}

void BatchRunnerTest::editorTextIsReadForEveryDatabase()
{
    // The detailed report replaces the editor's text; every later execution,
    // in that database and the next, runs the report query.
    Fixture f;
    f.items({{"A", true}, {"B", true}});
    f.editor.setText(QStringLiteral("my sql"));
    f.detailedBox.checked = true;
    f.runner.BitBtn1Click();
    QCOMPARE(f.query.entries, (QStringList{"USE [A]", "DETAY in A", "detailed query", "USE [B]", "DETAY in B",
                                           "detailed query"}));
}

QTEST_GUILESS_MAIN(BatchRunnerTest)
#include "tst_batchRunner.moc"
