#pragma once

#include <QList>
#include <QRect>

namespace yorsabat::reports {

// Where a window with a stored frame rectangle opens: where it was stored
// when any part of it lies in a screen's available area, else moved to the
// top-left of the primary screen's available area (and shrunk to fit it),
// so that a window saved on a screen since removed can still be reached.
QRect placeOnScreens(const QRect &stored, const QList<QRect> &availableAreas, const QRect &primaryArea);

} // namespace yorsabat::reports
