#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace kavtra {

// Where a window restored from saved geometry goes: left where it is when it
// lies wholly on one screen; otherwise onto the screen it overlaps most (the
// primary one when it overlaps none), as little moved as it takes, and made
// smaller where it is larger than that screen. Rectangles are outer (frame)
// geometry; screens are their available areas.
QRect ontoScreens(const QRect& window, const QList<QRect>& screens, const QRect& primary);

// Where a second window of the given outer size goes beside the main window,
// wholly on the screen: to its right, else to its left, else below, else
// above it (slid along that edge as far as the screen needs), else over it,
// a little off its corner. One wider or higher than the screen starts at the
// screen's edge.
QPoint besideWindow(const QRect& main, const QSize& other, const QRect& screen);

}  // namespace kavtra
