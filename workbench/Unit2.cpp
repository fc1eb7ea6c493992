#include "workbench/Unit2.h"

#include "server/Query.h"
#include "server/QueryTableModel.h"
#include "ui_Unit2.h"

#include "shell/VisibleRowFitter.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>

#include <algorithm>

namespace {

// The top grid's lower edge stays this far above the window's bottom; the
// bottom grid keeps its height below a 7-pixel band.
constexpr int kTopGridGap = 189;
constexpr int kBottomGridHeight = 182;
// A column of the top grid never starts wider than this, whatever its text.
constexpr int kTopColumnMaxWidth = 320;
// Rows sampled when sizing the top grid's columns.
constexpr int kTopColumnSample = 200;

struct VoucherColumn
{
    const char *field;
    int width;
};

constexpr VoucherColumn kVoucherColumns[] = {
    {"MUHHAREVRAKTAR", 95}, {"MUHHARACIKLAMA", 163}, {"MUHHARTUTAR", 111},
    {"MUHHAREVRAKNO", 131}, {"MUHHARBATIPI", 97},    {"MUHHARSIRANO", 98},
};

// A column header that grows in height to show its whole caption: wrapped at
// blanks, and inside a word too long for the column.
class WrappingHeader : public QHeaderView
{
public:
    explicit WrappingHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        connect(this, &QHeaderView::sectionResized, this, &WrappingHeader::refit);
    }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
        if (!model())
            return size;
        const QRect wrapped = fontMetrics().boundingRect(QRect(0, 0, textWidth(logicalIndex), 1 << 20),
                                                         wrapFlag(logicalIndex), caption(logicalIndex));
        size.setHeight(std::max(size.height(), wrapped.height() + 6));
        return size;
    }

    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override
    {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        option->textAlignment = Qt::Alignment(int(Qt::AlignLeft | Qt::AlignVCenter) | wrapFlag(logicalIndex));
    }

private:
    QString caption(int logicalIndex) const
    {
        return model()->headerData(logicalIndex, orientation()).toString();
    }

    int textWidth(int logicalIndex) const
    {
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        return std::max(1, sectionSize(logicalIndex) - 2 * margin - 2);
    }

    int wrapFlag(int logicalIndex) const
    {
        if (!model())
            return Qt::TextWordWrap;
        const int width = textWidth(logicalIndex);
        const QRect byWords = fontMetrics().boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap,
                                                         caption(logicalIndex));
        return byWords.width() > width ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
    }

    void refit()
    {
        // The header caches its height; a new column width must recompute it.
        if (model() && count() > 0)
            headerDataChanged(Qt::Horizontal, 0, count() - 1);
        emit geometriesChanged();
    }
};

void makeReadOnlyGrid(QTableView *view)
{
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setVisible(true); // the row indicator
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
}

} // namespace

TForm2::TForm2(yorsabat::server::Query &query, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::TForm2>())
{
    ui->setupUi(this);
    // The form's stored place; a top-level form's position is not applied
    // by the form itself.
    move(303, 317);
    QFont windowFont = font();
    windowFont.setPixelSize(11);
    setFont(windowFont);

    QTableView *top = ui->DBGrid1;
    makeReadOnlyGrid(top);
    top->setWordWrap(false);
    top->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    top->horizontalHeader()->setResizeContentsPrecision(kTopColumnSample);
    m_allColumns = new yorsabat::server::QueryTableModel(query, this);
    top->setModel(m_allColumns);
    connect(m_allColumns, &QAbstractItemModel::modelReset, this, &TForm2::fitTopColumns);

    QList<yorsabat::server::QueryTableModel::Column> columns;
    for (const VoucherColumn &c : kVoucherColumns)
        columns.append({QString::fromLatin1(c.field), QString()});
    m_voucherColumns = new yorsabat::server::QueryTableModel(query, columns, this);

    QTableView *bottom = ui->cxGrid1DBTableView1;
    bottom->setHorizontalHeader(new WrappingHeader(bottom));
    makeReadOnlyGrid(bottom);
    bottom->setSelectionMode(QAbstractItemView::ExtendedSelection);
    bottom->setWordWrap(true);
    bottom->setModel(m_voucherColumns);
    QHeaderView *header = bottom->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (int i = 0; i < int(std::size(kVoucherColumns)); ++i)
        bottom->setColumnWidth(i, kVoucherColumns[i].width);
    // Cells grow to show their whole text; only the rows in sight are measured.
    new yorsabat::VisibleRowFitter(bottom);

    ui->cxGrid1DBTableView1Footer->setFixedHeight(bottom->verticalHeader()->defaultSectionSize());
    ui->Button1->raise();
    layOut();
}

TForm2::~TForm2() = default;

void TForm2::showResult()
{
    show();
    raise();
    activateWindow();
}

QTableView *TForm2::DBGrid1() const
{
    return ui->DBGrid1;
}

QTableView *TForm2::cxGrid1DBTableView1() const
{
    return ui->cxGrid1DBTableView1;
}

void TForm2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void TForm2::layOut()
{
    const int w = width();
    const int h = height();
    ui->DBGrid1->setGeometry(0, 0, w, std::max(0, h - kTopGridGap));
    ui->cxGrid1->setGeometry(0, h - kBottomGridHeight, w, kBottomGridHeight);
}

void TForm2::fitTopColumns()
{
    QTableView *top = ui->DBGrid1;
    top->resizeColumnsToContents();
    for (int c = 0; c < m_allColumns->columnCount(); ++c) {
        if (top->columnWidth(c) > kTopColumnMaxWidth)
            top->setColumnWidth(c, kTopColumnMaxWidth);
    }
}

