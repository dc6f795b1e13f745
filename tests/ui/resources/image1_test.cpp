#include "ui/resources/image1.h"

#include <gtest/gtest.h>
#include <QPainterPathStroker>

namespace kavtra {
namespace {

// The gear as drawn (the outline and the line along it, with the corners the
// PNG and the SVG both use) lies wholly in its square: no tooth is cut off
// at the edge, at the list's size or at the desktop icon's.
TEST(Image1, TheGearWithItsOutlineStaysInsideItsSquare) {
    for (const qreal size : {16.0, 32.0, 48.0, 256.0}) {
        SCOPED_TRACE(size);
        QPainterPathStroker stroker;
        stroker.setWidth(gearPenWidth(size));
        stroker.setJoinStyle(Qt::BevelJoin);
        const QPainterPath outline = gearOutline(size);
        const QRectF drawn = stroker.createStroke(outline).united(outline).boundingRect();
        EXPECT_TRUE(QRectF(0, 0, size, size).contains(drawn))
            << drawn.left() << ' ' << drawn.top() << ' ' << drawn.right() << ' ' << drawn.bottom();
        // Not shrunk out of proportion either: the teeth still reach near the edge.
        EXPECT_GT(drawn.width(), size * 0.85);
    }
}

// The edge pixels of the drawn icons stay clear, so that nothing reads as cut.
TEST(Image1, TheDrawnGearLeavesTheEdgePixelsAlmostClear) {
    for (const int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        const QImage gear = drawGear(size);
        for (int i = 0; i < size; ++i) {
            for (const QPoint p : {QPoint(i, 0), QPoint(i, size - 1), QPoint(0, i), QPoint(size - 1, i)}) {
                ASSERT_LT(gear.pixelColor(p).alpha(), 160) << p.x() << ',' << p.y();
            }
        }
    }
}

}  // namespace
}  // namespace kavtra
