// The asset view window Form3.
#include "reports/Forms3.h"
#include "reports/ReportQueries.h"
#include "reports/WindowPlacement.h"
#include "server/Connection.h"
#include "server/Query.h"
#include "tests/support/StandinServer.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QtTest>

using namespace yorsabat;

class AssetViewTest : public QObject
{
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void gridColumns();
    void headerMenuShowsAndHidesColumns();
    void followsTheReportDataSet();
};

void AssetViewTest::placement_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("expected");
    const QRect form3(-301, 374, 1920, 699);
    const QRect hd(0, 0, 1920, 1040);
    QTest::newRow("partly visible stays") << form3 << QList<QRect>{hd} << form3;
    QTest::newRow("on a second screen stays")
        << QRect(2000, 100, 800, 600) << QList<QRect>{hd, QRect(1920, 0, 1920, 1040)} << QRect(2000, 100, 800, 600);
    QTest::newRow("right of every screen") << QRect(2000, 100, 800, 600) << QList<QRect>{hd}
                                           << QRect(0, 0, 800, 600);
    QTest::newRow("above every screen") << QRect(100, -900, 800, 600) << QList<QRect>{hd} << QRect(0, 0, 800, 600);
    QTest::newRow("small screen, shrunk to fit")
        << QRect(-3000, 374, 1920, 699) << QList<QRect>{QRect(0, 0, 1280, 1024)} << QRect(0, 0, 1280, 699);
}

void AssetViewTest::placement()
{
    QFETCH(QRect, stored);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, expected);
    QCOMPARE(reports::placeOnScreens(stored, screens, screens.first()), expected);
}

void AssetViewTest::gridColumns()
{
    server::Connection connection;
    server::Query adoQuery11(connection, u"ADOQuery11"_qs);
    TForm3 form(adoQuery11);
    QCOMPARE(form.windowTitle(), u"Form3"_qs);
    QCOMPARE(form.pos(), QPoint(-301, 374));
    QVERIFY(!form.isVisible());

    QTableView *grid = form.cxGrid1();
    QCOMPARE(grid->objectName(), u"cxGrid1"_qs);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(!grid->verticalHeader()->isHidden()); // the row indicator
    QVERIFY(form.findChild<QWidget *>(u"cxGrid1Footer"_qs));

    const QStringList captions{u"KOD"_qs, u"CİNSİ"_qs, u"AMOR YÜZDE"_qs, u"GİRİŞ TARİHİ"_qs, u"TUTAR"_qs,
                               u"AMORTSURE"_qs, u"AMORTBITIS"_qs, u"YIL"_qs, u"DONEM"_qs, u"DUZ.ONC.AKTFF"_qs,
                               u"DÜZ.SON.AKTİF"_qs, u"AKTIFFARK"_qs, u"DEG.ART.FON"_qs, u"DUZ.ONC.BIRIK"_qs,
                               u"DUZ.SON.BIRIK"_qs, u"BIRIK.FARK"_qs, u"AYRILAN"_qs, u"AMORT.ORAN"_qs,
                               u"DÜZ.KATSAYI"_qs, u"TOPBIRAMORT"_qs, u"TOPAKTIFDEGER"_qs};
    const QList<int> widths{196, 251, 97, -1, 83, 77, 82, 56, 46, 94, 92, 78, 88, 102, 92, 69, 72, 87, 84, 97, 95};
    QAbstractItemModel *model = grid->model();
    QCOMPARE(model->columnCount(), 21);
    for (int c = 0; c < 21; ++c) {
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), captions[c]);
        QCOMPARE(grid->isColumnHidden(c), c == 12);
        if (widths[c] > 0 && c != 12)
            QCOMPARE(grid->columnWidth(c), widths[c]);
    }
}

void AssetViewTest::headerMenuShowsAndHidesColumns()
{
    server::Connection connection;
    server::Query adoQuery11(connection, u"ADOQuery11"_qs);
    TForm3 form(adoQuery11);
    QTableView *grid = form.cxGrid1();

    std::unique_ptr<QMenu> menu = form.columnMenu();
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.size(), 21);
    QCOMPARE(actions[12]->text(), u"DEG.ART.FON"_qs);
    QVERIFY(!actions[12]->isChecked());
    QVERIFY(actions[0]->isChecked());

    actions[12]->trigger();
    actions[0]->trigger();
    QVERIFY(!grid->isColumnHidden(12));
    QVERIFY(grid->isColumnHidden(0));
    QVERIFY(form.columnMenu()->actions()[12]->isChecked());
}

void AssetViewTest::followsTheReportDataSet()
{
    testing::StandinServer::Options options;
    options.seedDemo = true;
    testing::StandinServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    server::Connection connection;
    connection.setConnectionString(server.oleDbConnectionString());
    server::Query adoQuery11(connection, u"ADOQuery11"_qs);
    TForm3 form(adoQuery11);
    form.resize(1200, 600);
    form.showView();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTableView *grid = form.cxGrid1();

    adoQuery11.setSql(u"USE VEZ_001_2024\n"_qs + reports::detailedReportQuery(u"2024"_qs));
    adoQuery11.open();
    QCOMPARE(grid->model()->rowCount(), 160);
    grid->setColumnWidth(1, 120);

    // The long description of DMB-0007 wraps: its row grows once it is in view.
    int longRow = -1;
    for (int r = 0; r < 160 && longRow < 0; ++r)
        if (grid->model()->index(r, 0).data().toString() == u"DMB-0007"_qs)
            longRow = r;
    QVERIFY(longRow >= 0);
    grid->scrollTo(grid->model()->index(longRow, 1), QAbstractItemView::PositionAtTop);
    QTRY_VERIFY(grid->rowHeight(longRow) > grid->verticalHeader()->defaultSectionSize());

    // A later report replaces the rows; the columns keep their layout.
    adoQuery11.setSql(reports::summaryReportQuery(u"2024"_qs));
    QCOMPARE(grid->model()->rowCount(), 0);
    adoQuery11.open();
    QCOMPARE(grid->model()->rowCount(), 40);
    QCOMPARE(grid->columnWidth(0), 196);
    QCOMPARE(grid->columnWidth(1), 120);
    QVERIFY(grid->isColumnHidden(12));

    // Shown again: still one window, brought to the front.
    form.showView();
    QVERIFY(form.isVisible());
}

QTEST_MAIN(AssetViewTest)
#include "tst_AssetView.moc"
