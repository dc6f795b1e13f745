#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <functional>

class QDialog;
class QDialogButtonBox;
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

// "Ok" and "Отмена" for a dialog of the newer kind, laid out by the system:
// "Отмена" rejects it, "Ok" calls `ok`, which decides whether it closes.
QDialogButtonBox* okCancelButtons(QDialog& dialog, const std::function<void()>& ok);

}  // namespace kavtra
