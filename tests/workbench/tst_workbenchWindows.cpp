// The result window's layout and the batch progress window, offscreen.
#include "server/Connection.h"
#include "server/Query.h"
#include "workbench/BatchProgressWindow.h"
#include "workbench/ScriptFileDialogs.h"
#include "workbench/Unit2.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace yorsabat;

class WorkbenchWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void resultWindowLayout();
    void resultWindowFollowsItsSize_data();
    void resultWindowFollowsItsSize();
    void bottomHeadersGrowToFit();
    void progressWindowShowsTheRunAndTakesCancel();
    void fileDialogs_data();
    void fileDialogs();
};

void WorkbenchWindowsTest::resultWindowLayout()
{
    server::Connection connection;
    server::Query query(connection, QStringLiteral("ADOQuery1"));
    TForm2 form(query);
    QCOMPARE(form.objectName(), QStringLiteral("Form2"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Form2"));
    QCOMPARE(form.size(), QSize(826, 462));
    QCOMPARE(form.pos(), QPoint(303, 317));
    QVERIFY(!form.isVisible());

    auto *button = form.findChild<QPushButton *>(QStringLiteral("Button1"));
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("Sırala"));
    QCOMPARE(button->geometry(), QRect(736, 24, 75, 25));

    QTableView *top = form.DBGrid1();
    QTableView *bottom = form.cxGrid1DBTableView1();
    QCOMPARE(top->objectName(), QStringLiteral("DBGrid1"));
    QCOMPARE(top->model()->columnCount(), 0);
    QCOMPARE(bottom->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(bottom->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!bottom->verticalHeader()->isHidden()); // the row indicator

    const QList<int> widths{95, 163, 111, 131, 97, 98};
    QCOMPARE(bottom->model()->columnCount(), widths.size());
    for (int c = 0; c < widths.size(); ++c)
        QCOMPARE(bottom->columnWidth(c), widths[c]);
    QVERIFY(form.findChild<QWidget *>(QStringLiteral("cxGrid1DBTableView1Footer")));
}

void WorkbenchWindowsTest::resultWindowFollowsItsSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("as stored") << QSize(826, 462);
    QTest::newRow("larger") << QSize(1200, 900);
    QTest::newRow("smaller") << QSize(500, 300);
}

void WorkbenchWindowsTest::resultWindowFollowsItsSize()
{
    QFETCH(QSize, size);
    server::Connection connection;
    server::Query query(connection, QStringLiteral("ADOQuery1"));
    TForm2 form(query);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(size);
    auto *bottomGrid = form.findChild<QWidget *>(QStringLiteral("cxGrid1"));
    QCOMPARE(form.DBGrid1()->geometry(), QRect(0, 0, size.width(), size.height() - 189));
    QCOMPARE(bottomGrid->geometry(), QRect(0, size.height() - 182, size.width(), 182));
    QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("Button1"))->geometry(), QRect(736, 24, 75, 25));
}

void WorkbenchWindowsTest::bottomHeadersGrowToFit()
{
    server::Connection connection;
    server::Query query(connection, QStringLiteral("ADOQuery1"));
    TForm2 form(query);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTableView *bottom = form.cxGrid1DBTableView1();
    const int oneLine = bottom->horizontalHeader()->height();
    bottom->setColumnWidth(1, 30); // "MUHHARACIKLAMA" no longer fits on one line
    QTRY_VERIFY(bottom->horizontalHeader()->height() > oneLine);
    bottom->setColumnWidth(1, 163);
    QTRY_COMPARE(bottom->horizontalHeader()->height(), oneLine);
}

void WorkbenchWindowsTest::progressWindowShowsTheRunAndTakesCancel()
{
    QWidget mainWindow;
    mainWindow.show();
    workbench::BatchProgressWindow progress(&mainWindow);
    progress.begin(3);
    QDialog *dialog = progress.dialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QVERIFY(!progress.cancelRequested());

    progress.databaseStarting(2, 3, QStringLiteral("VEZ_002_2024"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("BatchProgressCount"))->text(),
             QStringLiteral("Veritabanı 2 / 3"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("BatchProgressDatabase"))->text(),
             QStringLiteral("VEZ_002_2024"));
    QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("BatchProgressElapsed"))->text().contains(QLatin1String("00:0")));

    QPushButton *cancel = dialog->findChild<QPushButton *>();
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("İptal"));
    cancel->click();
    QVERIFY(progress.cancelRequested());
    progress.end();
    QVERIFY(!dialog->isVisible());

    // A new run starts uncancelled.
    progress.begin(1);
    QVERIFY(!progress.cancelRequested());
    progress.end();
}

void WorkbenchWindowsTest::fileDialogs_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen"); // empty: cancelled

    QTest::newRow("save adds SQL") << true << "yeni" << "yeni.SQL";
    QTest::newRow("save keeps a suffix") << true << "eski.txt" << "eski.txt";
    QTest::newRow("save over an existing file asks nothing") << true << "var.SQL" << "var.SQL";
    QTest::newRow("open a missing file") << false << "yok.SQL" << "yok.SQL";
    QTest::newRow("save cancelled") << true << "" << "";
    QTest::newRow("open cancelled") << false << "" << "";
}

void WorkbenchWindowsTest::fileDialogs()
{
    QFETCH(bool, save);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("var.SQL")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    const QString workingDirectory = QDir::currentPath();

    QWidget mainWindow;
    workbench::ScriptFileDialogs dialogs(&mainWindow);
    bool prompted = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (typed.isEmpty()) {
            dialog->reject();
            return;
        }
        // A prompt would open its own modal box; close it and note it. The
        // dialog is the timer's context, so the check dies with it instead of
        // firing into a later row's locals.
        QTimer::singleShot(200, dialog, [&, dialog] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible()) {
                    prompted = true;
                    box->done(QMessageBox::No);
                    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
                }
            }
        });
        dialog->selectFile(dir.filePath(typed));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const std::optional<QString> name =
        save ? dialogs.saveFileName(dir.filePath(QStringLiteral("proposed.SQL"))) : dialogs.openFileName(QString());
    QVERIFY(!prompted);
    if (chosen.isEmpty())
        QVERIFY(!name);
    else
        QCOMPARE(name.value_or(QString()), dir.filePath(chosen));
    QCOMPARE(QDir::currentPath(), workingDirectory);
}

QTEST_MAIN(WorkbenchWindowsTest)
#include "tst_workbenchWindows.moc"
