#pragma once

#include "workbench/Statements.h"

#include <QWidget>

#include <memory>

class QTableView;

namespace yorsabat::server {
class Query;
class QueryTableModel;
}

namespace Ui {
class TForm2;
}

// The result window Form2: two read-only grids over the open result of the
// shared query. The top grid shows every column; the bottom one six fixed
// voucher columns found by field name. Both follow the query, so every
// statement sent through it empties them. Closing the window only hides it.
class TForm2 : public QWidget, public yorsabat::workbench::ResultWindow
{
    Q_OBJECT
public:
    explicit TForm2(yorsabat::server::Query &query, QWidget *parent = nullptr);
    ~TForm2() override;

    // Shows the window and brings it to the front.
    void showResult() override;

    QTableView *DBGrid1() const;
    QTableView *cxGrid1DBTableView1() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOut();
    void fitTopColumns();

    std::unique_ptr<Ui::TForm2> ui;
    yorsabat::server::QueryTableModel *m_allColumns = nullptr;
    yorsabat::server::QueryTableModel *m_voucherColumns = nullptr;
};
