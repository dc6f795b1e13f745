#include "ui/resources/image1.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace kavtra {
namespace {

QImage transparentCanvas(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

qreal gearPenWidth(qreal s) { return qMax(1.0, s / 16); }

QPainterPath gearOutline(qreal s) {
    const QPointF centre(s / 2, s / 2);
    const int teeth = 8;
    // Half the line lies outside the outline; half a pixel more keeps the
    // tips off the edge pixels.
    const qreal outer = s / 2 - gearPenWidth(s) / 2 - 0.5;
    const qreal root = s * 0.34;
    QPainterPath gear;
    for (int i = 0; i < teeth * 4; ++i) {
        // Each tooth: rise, top, fall, gap, a quarter of the tooth pitch each.
        const qreal angle = (i - 0.5) * 2 * M_PI / (teeth * 4);
        const qreal r = (i % 4 == 1 || i % 4 == 2) ? outer : root;
        const QPointF pt(centre.x() + r * qCos(angle), centre.y() + r * qSin(angle));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(centre, s * 0.14, s * 0.14);
    gear.setFillRule(Qt::OddEvenFill);
    return gear;
}

QImage drawGear(int size) {
    QImage image = transparentCanvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient steel(0, 0, s, s);
    steel.setColorAt(0, QColor(150, 170, 190));
    steel.setColorAt(1, QColor(55, 75, 100));
    p.setPen(QPen(QColor(35, 45, 60), gearPenWidth(s), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    p.setBrush(steel);
    p.drawPath(gearOutline(s));
    return image;
}

QImage drawCross(int size) {
    QImage image = transparentCanvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal inset = s * 0.2;
    QPen border(QColor(110, 0, 0), s * 0.28, Qt::SolidLine, Qt::RoundCap);
    QPen fill(QColor(220, 30, 30), s * 0.17, Qt::SolidLine, Qt::RoundCap);
    for (const QPen& pen : {border, fill}) {
        p.setPen(pen);
        p.drawLine(QPointF(inset, inset), QPointF(s - inset, s - inset));
        p.drawLine(QPointF(s - inset, inset), QPointF(inset, s - inset));
    }
    return image;
}

ImageList::ImageList() {
    for (int size : {16, 32, 48}) {
        gear_.addPixmap(QPixmap::fromImage(drawGear(size)));
        cross_.addPixmap(QPixmap::fromImage(drawCross(size)));
    }
}

const QIcon& ImageList::image(int number) const { return number == 1 ? gear_ : cross_; }

}  // namespace kavtra
