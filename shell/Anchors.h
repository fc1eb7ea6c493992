#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace yorsabat {

// Keeps controls at their distance to the edges they are anchored to when the
// window grows (maximized): anchored left and right, a control widens;
// right only, it moves; likewise top and bottom. Every anchored control sits
// in a container that grows as much as the root (the pages of a page control
// that is itself anchored to all four edges), so the root's growth is applied.
//
// The edges come from the form: a dynamic property "anchors" holding any of
// "left", "top", "right", "bottom", separated by commas.
class Anchors : public QObject
{
    Q_OBJECT
public:
    // Takes the controls' present geometry and the root's given size as the
    // design state; call right after the form was built.
    Anchors(QWidget *root, QSize designSize);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Anchored
    {
        QPointer<QWidget> widget;
        QRect design;
        bool left, top, right, bottom;
    };
    void apply();

    QWidget *m_root;
    QSize m_designSize;
    QList<Anchored> m_anchored;
};

} // namespace yorsabat
