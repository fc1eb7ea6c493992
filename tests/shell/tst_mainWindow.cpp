#include "tests/support/InTemporaryDirectory.h"
#include "shell/Error.h"
#include "shell/SettingsFile.h"
#include "shell/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using yorsabat::testing::InTemporaryDirectory;

namespace {

struct RecordingReporter : yorsabat::ErrorReporter
{
    QStringList messages;
    void showError(const QString &message) override { messages << message; }
};


QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The main window shown offscreen, its errors recorded instead of boxed.
struct Window
{
    TRuZovi1 w;
    RecordingReporter errors;
    Window()
    {
        w.setErrorReporter(&errors);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    template <typename T = QWidget>
    T *find(const char *name)
    {
        T *found = w.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor(); }
    void startUpInEmptyFolder();
    void startUpWithStoredValues();
    void controls_data();
    void controls();
    void pagesMenuAndTabOrder();
    void eventsBoundByName_data();
    void eventsBoundByName();
    void errorWrapper_data();
    void errorWrapper();
    void cursorBackAfterFailedCommand();
    void errorBoxIsModalWithOk();
    void closeWritesOnlyTheYear();
    void refusedYearWriteKeepsWindowOpen();
    void exitMenuClosesLikeTheFrame();
    void closeFollowsWorkingDirectory();
    void maximizeFollowsAnchors();
    void editorAndListPorts();
};

void TestMainWindow::startUpInEmptyFolder()
{
    InTemporaryDirectory wd;
    Window win;
    TRuZovi1 &w = win.w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Yorsabat 1.6"));
    QCOMPARE(w.authenticationBox().text(), QStringLiteral("SQL Server Yetkilendirmesi"));
    QCOMPARE(w.serverBox().text(), QStringLiteral(".\\VEZ"));
    QCOMPARE(w.userBox().text(), QStringLiteral("sa"));
    QCOMPARE(w.passwordBox().text(), QStringLiteral("vqx"));
    QCOMPARE(win.find<QLineEdit>("Edit3")->displayText(), QStringLiteral("***"));
    QCOMPARE(w.yearBox().text(), QStringLiteral("2024"));
    auto *pages = win.find<QTabWidget>("PageControl1");
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet2"));
    QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("SQL Çalıştır"));
    QCOMPARE(w.statusLine().text(), QString());
    QCOMPARE(w.databaseList().count(), 0);
    QCOMPARE(w.connectButton().caption(), QStringLiteral("Bağlan"));
    QVERIFY(!w.masterBox().isChecked());
    QVERIFY(!w.detailedPerDatabaseBox().isChecked());
    QVERIFY(!w.summaryPerDatabaseBox().isChecked());
    QCOMPARE(w.editor().text(), QString());
    QVERIFY(!QFileInfo::exists(wd.file()));
    QVERIFY(win.errors.messages.isEmpty());
}

void TestMainWindow::startUpWithStoredValues()
{
    InTemporaryDirectory wd;
    QFile file(wd.file());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[MSSQL]\r\nYetkilendirme=Benim yetkim\r\nSunucu=db\\VEZ\r\nKullanici=ali\r\nParola=\r\nNO=\r\n");
    file.close();
    Window win;
    QCOMPARE(win.w.authenticationBox().text(), QStringLiteral("Benim yetkim"));
    QCOMPARE(win.find<QComboBox>("ComboBox1")->count(), 2); // the typed text is no new item
    QCOMPARE(win.w.serverBox().text(), QStringLiteral("db\\VEZ"));
    QCOMPARE(win.w.userBox().text(), QStringLiteral("ali"));
    QCOMPARE(win.w.passwordBox().text(), QString());
    QCOMPARE(win.w.yearBox().text(), QString());
}

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<QString>("hint");

    auto row = [](const char *name, const char *parent, QRect r, const QString &text, bool bold, int px,
                  const QString &hint = {}) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent) << r << text << bold << px << hint;
    };
    const char *p2 = "TabSheet2";
    row("Memo1", p2, {147, 64, 631, 449}, "", true, 11);
    row("Button3", p2, {696, 515, 82, 32}, "ExecSQL", true, 11);
    row("Button4", p2, {595, 515, 96, 32}, "Open", true, 11);
    row("Button5", p2, {443, 3, 118, 38}, "Bağlan", true, 11);
    row("Edit1", p2, {148, 16, 161, 22}, ".\\VEZ", false, 13);
    row("Edit2", p2, {316, 16, 41, 22}, "sa", false, 13);
    row("Edit3", p2, {364, 16, 65, 22}, "vqx", false, 13);
    row("ComboBox1", p2, {0, 16, 145, 24}, "SQL Server Yetkilendirmesi", false, 13);
    row("DBGrid2", p2, {0, 328, 145, 185}, "", false, 11);
    row("Button6", p2, {212, 41, 65, 22}, "Aç", true, 11);
    row("Button7", p2, {284, 41, 65, 22}, "Kaydet", false, 11);
    row("Button8", p2, {148, 41, 57, 22}, "Yeni", false, 11);
    row("CheckListBox1", p2, {0, 64, 145, 241}, "", false, 11);
    row("BitBtn1", p2, {472, 515, 120, 32}, "Başlat", true, 11, "BATCH");
    row("Edit8", p2, {1, 43, 120, 19}, "VEZ_%_2024%", true, 11);
    row("Button2", p2, {123, 42, 23, 20}, "+", true, 11);
    row("Edit9", p2, {13, 328, 130, 21}, "", false, 11);
    row("EFatSif", p2, {694, 38, 85, 25}, "EDefter Şifre", true, 11);
    row("Button223", p2, {694, 12, 85, 25}, "EFatura şifre", true, 11);
    row("BitBtn2", p2, {610, 38, 75, 25}, "FişAyrıştır", true, 11);
    row("Edit10", p2, {574, 14, 69, 22}, "2024", false, 13);
    row("Label4", p2, {0, 0, 40, 16}, "Yetki", true, 11);
    row("Label1", p2, {148, 0, 60, 16}, "Sunucu", true, 11);
    row("Label2", p2, {316, 0, 40, 16}, "Kull.", true, 11);
    row("Label3", p2, {364, 0, 50, 16}, "Parola", true, 11);
    row("Label6", p2, {0, 312, 60, 16}, "Tablolar", false, 11);
    row("Label5", "TabSheet3", {24, 8, 120, 16}, "ConnectionString", false, 11);
    row("Edit4", "TabSheet3", {24, 24, 465, 21}, "Provider=SQLOLEDB.1;Persist Security Info=False;", false, 11);
    row("CheckBox1", "TabSheet3", {32, 56, 201, 17}, "VEZ_MASTER  göster", false, 11);
    row("Image1", "TabSheet1", {32, 8, 110, 50}, "", false, 11);
    row("Memo2", "TabSheet1", {32, 64, 217, 97}, "", false, 11);
    const char *c = "centralwidget";
    row("Button1", c, {544, 0, 105, 28}, "Demirbaş Detaylı", true, 12);
    row("CheckBox2", c, {659, 6, 9, 17}, "Seçilli DB Demirbaş Detaylı  XLS oluştur.", false, 11,
        "Seçilli DB Demirbaş Detaylı  XLS oluştur.");
    row("Button9", c, {672, 0, 105, 28}, "Demirbaş Özet", true, 12);
    row("CheckBox3", c, {779, 6, 9, 17}, "Seçili DB Özet Demirbaş XLS oluştur ", false, 11,
        "Seçili DB Özet Demirbaş XLS oluştur ");
}

void TestMainWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    QFETCH(int, pixelSize);
    QFETCH(QString, hint);
    InTemporaryDirectory wd;
    Window win;
    QWidget *w = win.w.findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), geometry);
    QString shown;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        shown = b->text();
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        shown = e->text();
    else if (auto *l = qobject_cast<QLabel *>(w))
        shown = l->text();
    else if (auto *c = qobject_cast<QComboBox *>(w))
        shown = c->currentText();
    else if (auto *m = qobject_cast<QPlainTextEdit *>(w); m && name == "Memo1")
        shown = m->toPlainText();
    QCOMPARE(shown, text);
    w->ensurePolished();
    QCOMPARE(w->font().bold(), bold);
    QCOMPARE(w->font().pixelSize(), pixelSize);
    QCOMPARE(w->toolTip(), hint);
}

void TestMainWindow::pagesMenuAndTabOrder()
{
    InTemporaryDirectory wd;
    Window win;

    QStringList tabs;
    auto *pages = win.find<QTabWidget>("PageControl1");
    for (int i = 0; i < pages->count(); ++i)
        tabs << pages->widget(i)->objectName() + ':' + pages->tabText(i);
    QCOMPARE(tabs, (QStringList{"TabSheet1:Hakkında", "TabSheet2:SQL Çalıştır", "TabSheet3:Ayarlar"}));

    QVERIFY(!win.find<QLabel>("Image1")->pixmap().isNull());
    QCOMPARE(win.find<QLabel>("Image1")->pixmap().size(), QSize(110, 50));
    QCOMPARE(win.find<QPlainTextEdit>("Memo2")->toPlainText().section(u'\n', 0, 0), QStringLiteral("RERIRI TOPLU İşlemler Editörü"));
    QCOMPARE(win.find<QComboBox>("ComboBox1")->itemText(0), QStringLiteral("SQL Yetkilendermesi"));
    QCOMPARE(win.find<QComboBox>("ComboBox1")->itemText(1), QStringLiteral("Windows Yetkilendirmesi"));
    QCOMPARE(win.find<QLineEdit>("Edit3")->echoMode(), QLineEdit::Password);

    // The one menu and its items, without shortcuts or access letters.
    QCOMPARE(win.find<QMenuBar>("MainMenu1")->actions().size(), 1);
    QCOMPARE(win.find<QMenu>("Dosya1")->title(), QStringLiteral("Dosya"));
    QStringList items;
    for (QAction *a : win.find<QMenu>("Dosya1")->actions()) {
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QVERIFY(a->shortcut().isEmpty());
    }
    QCOMPARE(items, (QStringList{"Yeni", "Aç", "Kaydet", "-", "Çıkış"}));

    // Keyboard order of the "SQL Çalıştır" page.
    const QStringList order{"Memo1", "Button3", "Button4", "Button5", "Edit1", "Edit2", "Edit3",
                            "ComboBox1", "DBGrid2", "Button6", "Button7", "Button8", "CheckListBox1",
                            "BitBtn1", "Edit8", "Button2", "Edit9", "EFatSif", "Button223", "BitBtn2", "Edit10"};
    QWidget *at = win.find(qPrintable(order.first()));
    for (int i = 1; i < order.size(); ++i) {
        QWidget *next = at->nextInFocusChain();
        while (next != at && !order.contains(next->objectName()))
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), order.at(i));
        at = next;
    }
    for (const char *label : {"Label1", "Label2", "Label3", "Label4", "Label6"})
        QCOMPARE(win.find(label)->focusPolicy(), Qt::NoFocus);
}

void TestMainWindow::eventsBoundByName_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QByteArray>("slot");
    const QList<std::tuple<const char *, const char *, const char *>> bindings{
        {"Button5", SIGNAL(clicked()), SLOT(Button5Click())},
        {"Button2", SIGNAL(clicked()), SLOT(DEMBut1Click())},
        {"CheckListBox1", SIGNAL(clicked(QModelIndex)), SLOT(CheckListBox1Click())},
        {"Edit9", SIGNAL(textChanged(QString)), SLOT(Edit9Change())},
        {"DBGrid2", SIGNAL(doubleClicked(QModelIndex)), SLOT(DBGrid2DblClick())},
        {"Button3", SIGNAL(clicked()), SLOT(Button3Click())},
        {"Button4", SIGNAL(clicked()), SLOT(Button4Click())},
        {"BitBtn1", SIGNAL(clicked()), SLOT(BitBtn1Click())},
        {"Button8", SIGNAL(clicked()), SLOT(YeniClick())},
        {"Button6", SIGNAL(clicked()), SLOT(AcClick())},
        {"Button7", SIGNAL(clicked()), SLOT(KaydetClick())},
        {"EFatSif", SIGNAL(clicked()), SLOT(EdefterSiff())},
        {"Button223", SIGNAL(clicked()), SLOT(efatsifre())},
        {"BitBtn2", SIGNAL(clicked()), SLOT(BitBtn2Click())},
        {"Button1", SIGNAL(clicked()), SLOT(DEMDetayli())},
        {"Button9", SIGNAL(clicked()), SLOT(DEMOzet())},
        {"Yeni1", SIGNAL(triggered()), SLOT(YeniClick())},
        {"A1", SIGNAL(triggered()), SLOT(AcClick())},
        {"Kaydet1", SIGNAL(triggered()), SLOT(KaydetClick())},
        {"Timer1", SIGNAL(timeout()), SLOT(Timer1Timer())},
    };
    for (const auto &[sender, signal, slot] : bindings)
        QTest::addRow("%s %s", sender, slot + 1) << QString::fromLatin1(sender) << QByteArray(signal) << QByteArray(slot);
}

void TestMainWindow::eventsBoundByName()
{
    QFETCH(QString, sender);
    QFETCH(QByteArray, signal);
    QFETCH(QByteArray, slot);
    InTemporaryDirectory wd;
    Window win;
    QObject *source = win.w.findChild<QObject *>(sender);
    QVERIFY(source);
    // Removing the binding succeeds only where the form made it.
    if (auto *timer = qobject_cast<QTimer *>(source)) {
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(QObject::disconnect(timer, &QTimer::timeout, &win.w, &TRuZovi1::Timer1Timer));
    } else {
        QVERIFY(QObject::disconnect(source, signal.constData(), &win.w, slot.constData()));
    }
}

void TestMainWindow::errorWrapper_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("system error") << 0 << QStringLiteral("Geçersiz nesne adı 'X'.");
    QTest::newRow("standard exception") << 1 << QStringLiteral("vector::_M_range_check");
    QTest::newRow("any other object") << 2 << QString();
}

void TestMainWindow::errorWrapper()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    InTemporaryDirectory wd;
    Window win;
    bool afterThrow = false;
    const bool ok = win.w.runCommand([&] {
        win.w.statusLine().setText(QStringLiteral("önce"));
        if (kind == 0)
            throw yorsabat::Error(message);
        if (kind == 1)
            throw std::out_of_range(message.toStdString());
        throw 42;
        afterThrow = true;
    });
    QVERIFY(!ok);
    QVERIFY(!afterThrow);
    QCOMPARE(win.errors.messages, QStringList{message});
    QCOMPARE(win.w.statusLine().text(), QStringLiteral("önce")); // nothing undone
    QVERIFY(win.w.runCommand([] {}));                           // the next one runs
    QCOMPARE(win.errors.messages.size(), 1);
}

void TestMainWindow::cursorBackAfterFailedCommand()
{
    InTemporaryDirectory wd;
    Window win;
    win.w.busyCursor().on();
    win.w.busyCursor().on(); // does not stack
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    win.w.runCommand([&] { throw yorsabat::Error(QStringLiteral("boom")); });
    QVERIFY(QApplication::overrideCursor()); // left on by the failed command
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 2500); // one tick, with a margin for load

    win.w.busyCursor().on();
    win.w.busyCursor().off();
    QVERIFY(!QApplication::overrideCursor());

    // A command that keeps the windows painting while it works (the batch
    // run) keeps its hourglass through the ticks.
    bool busyThroughout = true;
    win.w.runCommand([&] {
        win.w.busyCursor().on();
        QElapsedTimer working;
        working.start();
        while (working.elapsed() < 1500) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            busyThroughout = busyThroughout && QApplication::overrideCursor();
        }
        throw yorsabat::Error(QStringLiteral("failed late"));
    });
    QVERIFY(busyThroughout);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 2500);
}

void TestMainWindow::errorBoxIsModalWithOk()
{
    InTemporaryDirectory wd;
    TRuZovi1 w; // its own error box, no recorder
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString shownText;
    QList<QMessageBox::StandardButton> buttons;
    bool busyWhenShown = false, busyAfterASecond = true;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shownText = box->text();
        for (QAbstractButton *b : box->buttons())
            buttons << box->standardButton(b);
        busyWhenShown = QApplication::overrideCursor() != nullptr;
        // Timer ticks go on inside the box's own loop and reset the cursor
        // about a second later (the margin is for a loaded machine).
        QElapsedTimer waited;
        waited.start();
        while (QApplication::overrideCursor() && waited.elapsed() < 2500)
            QTest::qWait(20);
        busyAfterASecond = QApplication::overrideCursor() != nullptr;
        box->button(QMessageBox::Ok)->click();
    });
    const bool ok = w.runCommand([&] {
        w.busyCursor().on();
        throw yorsabat::Error(QStringLiteral("Login failed for user 'sa'. <b>"));
    });
    QVERIFY(!ok);
    QCOMPARE(shownText, QStringLiteral("Login failed for user 'sa'. <b>"));
    QCOMPARE(buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    QVERIFY(busyWhenShown);
    QVERIFY(!busyAfterASecond);
}

void TestMainWindow::closeWritesOnlyTheYear()
{
    InTemporaryDirectory wd;
    {
        Window win;
        QSignalSpy closed(&win.w, &TRuZovi1::closed);
        win.w.yearBox().setText(QString()); // emptied by the user
        QVERIFY(win.w.close());
        QCOMPARE(closed.size(), 1);
    }
    QCOMPARE(readBytes(wd.file()), QByteArray("[MSSQL]\r\nNO=\r\n"));
    Window next;
    QCOMPARE(next.w.yearBox().text(), QString());                 // empty, not the default
    QCOMPARE(next.w.serverBox().text(), QStringLiteral(".\\VEZ")); // login boxes at their defaults
}

void TestMainWindow::refusedYearWriteKeepsWindowOpen()
{
    InTemporaryDirectory wd;
    QVERIFY(QDir(wd.dir.path()).mkdir(QStringLiteral("Yorsabat.INI")));
    Window win;
    QSignalSpy closed(&win.w, &TRuZovi1::closed);
    QVERIFY(!win.w.close());
    QVERIFY(win.w.isVisible());
    QCOMPARE(closed.size(), 0);
    QCOMPARE(win.errors.messages,
             QStringList{QStringLiteral("Unable to write to ") + yorsabat::SettingsFile::pathInWorkingDirectory()});
    // Every further close tries again.
    QVERIFY(QDir(wd.dir.path()).rmdir(QStringLiteral("Yorsabat.INI")));
    QVERIFY(win.w.close());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(readBytes(wd.file()), QByteArray("[MSSQL]\r\nNO=2024\r\n"));
}

void TestMainWindow::exitMenuClosesLikeTheFrame()
{
    InTemporaryDirectory wd;
    Window win;
    QSignalSpy closed(&win.w, &TRuZovi1::closed);
    win.w.yearBox().setText(QStringLiteral("2025"));
    win.find<QAction>("k1")->trigger();
    QVERIFY(!win.w.isVisible());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(readBytes(wd.file()), QByteArray("[MSSQL]\r\nNO=2025\r\n"));
}

void TestMainWindow::closeFollowsWorkingDirectory()
{
    InTemporaryDirectory first;
    Window win;
    QTemporaryDir second;
    QDir::setCurrent(second.path());
    QVERIFY(win.w.close());
    QVERIFY(!QFileInfo::exists(first.file()));
    QCOMPARE(readBytes(second.filePath(QStringLiteral("Yorsabat.INI"))), QByteArray("[MSSQL]\r\nNO=2024\r\n"));
}

void TestMainWindow::maximizeFollowsAnchors()
{
    InTemporaryDirectory wd;
    Window win;
    // The client area under the menu bar: pages 797 x 581, status line 19.
    QCOMPARE(win.find("centralwidget")->size(), QSize(797, 581));
    QCOMPARE(win.find<QStatusBar>("StatusBar1")->geometry(), QRect(0, win.find("centralwidget")->geometry().bottom() + 1, 797, 19));

    QHash<QString, QRect> before;
    for (QWidget *w : win.w.findChildren<QWidget *>())
        if (!w->objectName().isEmpty())
            before.insert(w->objectName(), w->geometry());
    const QWidget *page = win.find("TabSheet2");
    auto rightGap = [&](QWidget *w) { return page->width() - w->geometry().right(); };
    auto bottomGap = [&](QWidget *w) { return page->height() - w->geometry().bottom(); };
    QHash<QString, QPair<int, int>> gaps;
    for (QWidget *w : {win.find("Button3"), win.find("Button4"), win.find("BitBtn1"), win.find("Edit10"),
                       win.find("BitBtn2"), win.find("Button223"), win.find("EFatSif"), win.find("Memo1")})
        gaps.insert(w->objectName(), {rightGap(w), bottomGap(w)});

    const int dx = 1280 - 797, dy = 400;
    win.w.resize(win.w.width() + dx, win.w.height() + dy);
    QTRY_COMPARE(page->size(), before.value("TabSheet2").size() + QSize(dx, dy));

    QCOMPARE(win.find<QTabWidget>("PageControl1")->size(), QSize(797 + dx, 581 + dy));
    QCOMPARE(win.find<QStatusBar>("StatusBar1")->width(), 797 + dx);
    QCOMPARE(win.find("Memo1")->geometry(), before.value("Memo1").adjusted(0, 0, dx, dy));
    QCOMPARE(win.find("DBGrid2")->geometry(), before.value("DBGrid2").adjusted(0, 0, 0, dy));
    for (QWidget *w : {win.find("Button3"), win.find("Button4"), win.find("BitBtn1")}) {
        QCOMPARE(w->size(), before.value(w->objectName()).size());
        QCOMPARE(rightGap(w), gaps.value(w->objectName()).first);
        QCOMPARE(bottomGap(w), gaps.value(w->objectName()).second);
    }
    for (QWidget *w : {win.find("Edit10"), win.find("BitBtn2"), win.find("Button223"), win.find("EFatSif")}) {
        QCOMPARE(w->geometry(), before.value(w->objectName()).translated(dx, 0));
        QCOMPARE(rightGap(w), gaps.value(w->objectName()).first);
    }
    for (const char *still : {"Button5", "Edit1", "Edit2", "Edit3", "ComboBox1", "CheckListBox1", "Edit8",
                              "Edit9", "Button2", "Button6", "Button7", "Button8", "Button1", "CheckBox2",
                              "Button9", "CheckBox3", "Edit4", "CheckBox1", "Image1", "Memo2"})
        QCOMPARE(win.find(still)->geometry(), before.value(still));
}

void TestMainWindow::editorAndListPorts()
{
    InTemporaryDirectory wd;
    Window win;
    yorsabat::Editor &editor = win.w.editor();
    const QString text = QStringLiteral("SELECT 'a\u00A0b'\nFROM t"); // a no-break space stays one
    editor.setText(text);
    QCOMPARE(editor.text(), text);
    editor.addLine(QStringLiteral("SELECT * FROM X "));
    QCOMPARE(editor.text(), text + QStringLiteral("\nSELECT * FROM X "));
    editor.clear();
    editor.addLine(QStringLiteral("tek"));
    QCOMPARE(editor.text(), QStringLiteral("tek"));

    yorsabat::CheckList &list = win.w.databaseList();
    list.addChecked(QStringLiteral("VEZ_001_2024"));
    list.addChecked(QStringLiteral("VEZ_002_2024"));
    list.setChecked(0, false);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.itemText(1), QStringLiteral("VEZ_002_2024"));
    QVERIFY(!list.isChecked(0));
    QVERIFY(list.isChecked(1));
    QVERIFY(win.find<QListWidget>("CheckListBox1")->item(0)->flags() & Qt::ItemIsUserCheckable);
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, list.itemText(2));
    list.clear();
    QCOMPARE(list.count(), 0);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainWindow.moc"
