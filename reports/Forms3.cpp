#include "reports/Forms3.h"

#include "ui_Forms3.h"

#include "reports/AssetColumns.h"
#include "reports/WindowPlacement.h"
#include "server/QueryTableModel.h"
#include "shell/VisibleRowFitter.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QTableView>

using yorsabat::reports::gridColumns;
using yorsabat::server::QueryTableModel;

TForm3::TForm3(yorsabat::server::Query &adoQuery11, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::TForm3>())
{
    ui->setupUi(this);
    // Position and size as stored, of the frame as users placed it.
    move(-301, 374);
    resize(1920, 699);

    QList<QueryTableModel::Column> columns;
    for (const auto &column : gridColumns)
        columns.append({column.field.toString(), column.caption.toString()});
    m_model = new QueryTableModel(adoQuery11, columns, this);

    QTableView *grid = ui->cxGrid1;
    grid->setModel(m_model);
    grid->setAlternatingRowColors(false);

    QHeaderView *header = grid->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::Alignment(int(Qt::AlignCenter) | int(Qt::TextWordWrap)));
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int c = 0; c < int(gridColumns.size()); ++c) {
        if (gridColumns[c].width > 0)
            grid->setColumnWidth(c, gridColumns[c].width);
        grid->setColumnHidden(c, gridColumns[c].hidden);
    }
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint &pos) {
        columnMenu()->exec(header->mapToGlobal(pos));
    });

    // Rows grow to fit their text; only the rows in sight are measured.
    new yorsabat::VisibleRowFitter(grid);

    ui->cxGrid1Footer->setFixedHeight(grid->verticalHeader()->defaultSectionSize());
}

TForm3::~TForm3() = default;

QTableView *TForm3::cxGrid1() const
{
    return ui->cxGrid1;
}

void TForm3::showView()
{
    if (!m_placed) {
        // A stored position on a screen that is gone would open the window
        // where nobody can reach it.
        QList<QRect> areas;
        for (const QScreen *screen : QGuiApplication::screens())
            areas.append(screen->availableGeometry());
        const QScreen *primary = QGuiApplication::primaryScreen();
        const QRect placed = yorsabat::reports::placeOnScreens(
            QRect(pos(), size()), areas, primary ? primary->availableGeometry() : QRect());
        move(placed.topLeft());
        resize(placed.size());
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

std::unique_ptr<QMenu> TForm3::columnMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    QTableView *grid = ui->cxGrid1;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        QAction *action = menu->addAction(m_model->headerData(c, Qt::Horizontal).toString());
        action->setCheckable(true);
        action->setChecked(!grid->isColumnHidden(c));
        connect(action, &QAction::toggled, grid, [grid, c](bool shown) { grid->setColumnHidden(c, !shown); });
    }
    return menu;
}
