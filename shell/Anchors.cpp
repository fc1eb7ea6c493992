#include "shell/Anchors.h"

#include <QEvent>
#include <QVariant>

namespace yorsabat {

Anchors::Anchors(QWidget *root, QSize designSize)
    : QObject(root), m_root(root), m_designSize(designSize)
{
    for (QWidget *w : root->findChildren<QWidget *>()) {
        const QVariant edges = w->property("anchors");
        if (!edges.isValid())
            continue;
        const QStringList list = edges.toString().split(u',', Qt::SkipEmptyParts);
        auto has = [&](QStringView edge) { return list.contains(edge.toString().trimmed()); };
        m_anchored.append({w, w->geometry(), has(u"left"), has(u"top"), has(u"right"), has(u"bottom")});
    }
    root->installEventFilter(this);
}

bool Anchors::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_root && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

void Anchors::apply()
{
    const int dx = m_root->width() - m_designSize.width();
    const int dy = m_root->height() - m_designSize.height();
    for (const Anchored &a : std::as_const(m_anchored)) {
        if (!a.widget)
            continue;
        QRect r = a.design;
        if (a.right && a.left)
            r.setWidth(r.width() + dx);
        else if (a.right)
            r.translate(dx, 0);
        if (a.bottom && a.top)
            r.setHeight(r.height() + dy);
        else if (a.bottom)
            r.translate(0, dy);
        a.widget->setGeometry(r);
    }
}

} // namespace yorsabat
