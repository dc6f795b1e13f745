#include "ui/main/window_placement.h"

#include <algorithm>

namespace kavtra {
namespace {

constexpr int kGap = 8;

qint64 area(const QRect& r) { return r.isEmpty() ? 0 : qint64(r.width()) * r.height(); }

// The window moved the least distance that puts it wholly inside screen,
// after it has been made to fit.
QRect clampedInto(const QRect& window, const QRect& screen) {
    QRect r(window.topLeft(), window.size().boundedTo(screen.size()));
    r.moveLeft(std::clamp(r.left(), screen.left(), screen.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), screen.top(), screen.bottom() + 1 - r.height()));
    return r;
}

}  // namespace

QRect ontoScreens(const QRect& window, const QList<QRect>& screens, const QRect& primary) {
    QRect best = primary;
    qint64 bestOverlap = 0;
    for (const QRect& screen : screens) {
        if (screen.contains(window)) return window;
        const qint64 overlap = area(screen.intersected(window));
        if (overlap > bestOverlap) {
            best = screen;
            bestOverlap = overlap;
        }
    }
    return clampedInto(window, best);
}

QPoint besideWindow(const QRect& main, const QSize& other, const QRect& screen) {
    const QRect candidates[] = {
        QRect(QPoint(main.right() + 1 + kGap, main.top()), other),
        QRect(QPoint(main.left() - kGap - other.width(), main.top()), other),
        QRect(QPoint(main.left(), main.bottom() + 1 + kGap), other),
        QRect(QPoint(main.left(), main.top() - kGap - other.height()), other),
    };
    for (const QRect& place : candidates) {
        // Beside the main window along one edge, slid along that edge if need
        // be, but never over the main window. A window larger than the screen
        // is judged by the part the screen can show.
        const QRect slid = clampedInto(place, screen);
        if (!slid.intersects(main)) return slid.topLeft();
    }
    return clampedInto(QRect(main.topLeft() + QPoint(kGap, kGap), other), screen).topLeft();
}

}  // namespace kavtra
