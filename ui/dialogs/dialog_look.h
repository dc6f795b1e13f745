#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QDialog;
class QWidget;

namespace kavtra {

// Fonts are asked for by family so that Windows gets the designed face; other
// systems substitute their closest sans-serif.
QFont verdanaFont(bool bold);
QFont msSansSerifFont(bool bold);

// A fixed-size tool window: narrow title bar with the caption and a close box
// only, no minimise or maximise box, no icon, no taskbar entry. The client
// area is given in twips, the unit the dialogs were designed in.
void makeFixedToolWindow(QDialog& dialog, const QString& caption, int clientWidthTwips, int clientHeightTwips);

// Places a control at a position and size (left, top, width, height) given in
// twips.
void placeTwips(QWidget& widget, const QRect& twips);

}  // namespace kavtra
