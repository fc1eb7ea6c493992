#include "shell/VisibleRowFitter.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace yorsabat {

VisibleRowFitter::VisibleRowFitter(QTableView *view) : QObject(view), m_view(view), m_pending(new QTimer(this))
{
    m_pending->setSingleShot(true);
    m_pending->setInterval(0);
    connect(m_pending, &QTimer::timeout, this, &VisibleRowFitter::fitNow);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    if (QAbstractItemModel *model = view->model())
        connect(model, &QAbstractItemModel::modelReset, this, &VisibleRowFitter::schedule);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &VisibleRowFitter::schedule);
    connect(view->verticalScrollBar(), &QScrollBar::rangeChanged, this, &VisibleRowFitter::schedule);
    connect(view->horizontalHeader(), &QHeaderView::sectionResized, this, &VisibleRowFitter::schedule);
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
}

void VisibleRowFitter::schedule()
{
    if (!m_pending->isActive())
        m_pending->start();
}

void VisibleRowFitter::fitNow()
{
    if (!m_view->isVisible() || !m_view->model())
        return;
    const int rows = m_view->model()->rowCount();
    // Growing a row pushes later ones out of sight; a few passes settle it.
    for (int pass = 0; pass < 4 && rows > 0; ++pass) {
        const int first = m_view->rowAt(0);
        if (first < 0)
            return;
        int last = m_view->rowAt(m_view->viewport()->height() - 1);
        if (last < 0)
            last = rows - 1;
        bool changed = false;
        for (int row = first; row <= last; ++row) {
            const int before = m_view->rowHeight(row);
            m_view->resizeRowToContents(row);
            changed = changed || m_view->rowHeight(row) != before;
        }
        if (!changed)
            break;
    }
    // The scrolling our own resizing caused needs no second fit.
    m_pending->stop();
}

bool VisibleRowFitter::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_view->viewport() && event->type() == QEvent::Resize)
        || (watched == m_view && event->type() == QEvent::Show))
        schedule();
    return QObject::eventFilter(watched, event);
}

} // namespace yorsabat
