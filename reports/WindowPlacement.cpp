#include "reports/WindowPlacement.h"

#include <algorithm>

namespace yorsabat::reports {

QRect placeOnScreens(const QRect &stored, const QList<QRect> &availableAreas, const QRect &primaryArea)
{
    for (const QRect &area : availableAreas)
        if (area.intersects(stored))
            return stored;
    if (primaryArea.isEmpty())
        return stored;
    return QRect(primaryArea.topLeft(),
                 QSize(std::min(stored.width(), primaryArea.width()),
                       std::min(stored.height(), primaryArea.height())));
}

} // namespace yorsabat::reports
