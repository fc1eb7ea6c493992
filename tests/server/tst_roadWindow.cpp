// The main window's connect button, database list, table grid and filter box
// against the stand-in server: the way a user meets them.
#include "server/Connection.h"
#include "shell/Unit1.h"
#include "tests/support/StandinServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct RecordingReporter : yorsabat::ErrorReporter
{
    QStringList messages;
    void showError(const QString &message) override { messages << message; }
};

template <typename T>
T *control(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace

class RoadWindow : public QObject
{
    Q_OBJECT
private slots:
    void connectBrowseAndQuery();
};

void RoadWindow::connectBrowseAndQuery()
{
    QTemporaryDir workDir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
    auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });

    yorsabat::testing::StandinServer::Options options;
    options.seedDemo = true;
    yorsabat::testing::StandinServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));

    TRuZovi1 w;
    RecordingReporter errors;
    w.setErrorReporter(&errors);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *button = control<QPushButton>(w, "Button5");
    auto *list = control<QListWidget>(w, "CheckListBox1");
    auto *grid = control<QTableView>(w, "DBGrid2");
    auto *filter = control<QLineEdit>(w, "Edit9");
    auto *memo = control<QPlainTextEdit>(w, "Memo1");

    control<QLineEdit>(w, "Edit1")->setText(QStringLiteral("127.0.0.1,%1").arg(server.port()));
    button->click();
    QCOMPARE(errors.messages, QStringList());
    QCOMPARE(button->text(), QStringLiteral("Bağlandı"));
    QCOMPARE(list->count(), 5);
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->item(i)->checkState(), Qt::Checked);
    QCOMPARE(w.statusLine().text(), QStringLiteral("5"));
    QVERIFY(QFile::exists(workDir.filePath(QStringLiteral("Yorsabat.INI"))));

    // Before any table list the grid is empty and a double-click fails.
    QCOMPARE(grid->model()->rowCount(), 0);
    w.DBGrid2DblClick();
    QCOMPARE(errors.messages, QStringList{QStringLiteral("ADOQuery3: Field 'name' not found.")});
    QCOMPARE(memo->toPlainText(), QString());
    errors.messages.clear();

    // Every item checked: the last one stays current and its tables show.
    w.CheckListBox1Click();
    QCOMPARE(errors.messages, QStringList());
    QCOMPARE(w.statusLine().text(), list->item(4)->text());
    QCOMPARE(grid->model()->columnCount(), 1);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("name"));
    QVERIFY(grid->model()->rowCount() >= 4);

    // Typing into the filter box narrows the grid at each change.
    QTest::keyClicks(filter, QStringLiteral("DEMK"));
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("DEMKART"));

    memo->setPlainText(QStringLiteral("select 1"));
    const QRect cell = grid->visualRect(grid->model()->index(0, 0));
    // A view emits its double-click only for the cell pressed just before.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(errors.messages, QStringList());
    QCOMPARE(memo->toPlainText(), QStringLiteral("select 1\nSELECT * FROM DEMKART "));

    button->click();
    QCOMPARE(button->text(), QStringLiteral("Bağlan"));
    QVERIFY(!w.ADOConnection1().isOpen());
}

QTEST_MAIN(RoadWindow)
#include "tst_roadWindow.moc"
