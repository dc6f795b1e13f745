#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QDialog;
class QWidget;

namespace kavtra {

// The dialogs are laid out in twips, the unit their geometry was designed in:
// 15 twips to a device-independent pixel (96 dots per inch).
inline constexpr int kTwipsPerPixel = 15;

constexpr int pixels(int twips) { return twips / kTwipsPerPixel; }

QRect twipsRect(int left, int top, int width, int height);

// Fonts are asked for by family so that Windows gets the designed face; other
// systems substitute their closest sans-serif.
QFont verdanaFont(bool bold);
QFont msSansSerifFont(bool bold);

// A fixed-size tool window: narrow title bar with the caption and a close box
// only, no minimise or maximise box, no icon, no taskbar entry.
void makeFixedToolWindow(QDialog& dialog, const QString& caption, int clientWidthTwips, int clientHeightTwips);

// Places a control at a position and size given in twips.
void placeTwips(QWidget& widget, int left, int top, int width, int height);

}  // namespace kavtra
