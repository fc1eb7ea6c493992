#pragma once

#include "reports/ReportRun.h"

#include <QWidget>

#include <memory>

class QMenu;
class QTableView;

namespace Ui {
class TForm3;
}

namespace yorsabat::server {
class Query;
class QueryTableModel;
} // namespace yorsabat::server

// Form3, the asset view: the report data set ADOQuery11 in a read-only grid
// with the report's 21 columns. It follows the data set: every report that
// reopens it changes what the grid shows.
class TForm3 : public QWidget, public yorsabat::reports::AssetView
{
    Q_OBJECT
public:
    explicit TForm3(yorsabat::server::Query &adoQuery11, QWidget *parent = nullptr);
    ~TForm3() override;

    // Shown without blocking, brought to the front when already shown.
    void showView() override;

    QTableView *cxGrid1() const;
    // The header's menu: one checkable entry per column, checked while shown.
    std::unique_ptr<QMenu> columnMenu();

private:
    std::unique_ptr<Ui::TForm3> ui;
    yorsabat::server::QueryTableModel *m_model = nullptr;
    bool m_placed = false;
};
