#pragma once

#include <QObject>

class QTableView;
class QTimer;

namespace yorsabat {

// Lets the rows of a grid grow to show their whole text, measuring only the
// rows in sight: measuring every row of a million-row result would stall the
// window. It refits after the view has laid out a change (new rows, scrolling,
// a column or the viewport resized, the view shown); several changes in a row
// are fitted once. Set the view's model before attaching it.
class VisibleRowFitter : public QObject
{
    Q_OBJECT
public:
    explicit VisibleRowFitter(QTableView *view); // owned by the view

    void schedule();
    void fitNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *m_view;
    QTimer *m_pending;
};

} // namespace yorsabat
