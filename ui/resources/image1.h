#pragma once

#include <QIcon>
#include <QImage>
#include <QPainterPath>

namespace kavtra {

// The program's own two pictures, painted in code so that they are sharp at
// 16 pixels in the list and at any size as the window and desktop icon.
QImage drawGear(int size);
QImage drawCross(int size);

// The gear's outline (teeth and the hole in its middle) for a square of the
// given size, and the width of the line drawn along it with bevelled
// corners; the desktop icon's SVG is written from both. The outline with its
// line stays inside the square.
QPainterPath gearOutline(qreal size);
qreal gearPenWidth(qreal size);

// The list's image list: image 1 is the gear (on), image 2 the red cross (off).
class ImageList {
public:
    ImageList();
    // Numbers outside 1..2 give the cross: a row whose state names no image
    // is shown as off, as its state text says.
    const QIcon& image(int number) const;

private:
    QIcon gear_;
    QIcon cross_;
};

}  // namespace kavtra
