#include "ui/dialogs/dialog_look.h"

#include <QDialog>

namespace kavtra {
namespace {

constexpr double kDesignPointSize = 8.25;

QFont designFont(const QString& family, bool bold) {
    QFont font(family);
    font.setPointSizeF(kDesignPointSize);
    font.setBold(bold);
    return font;
}

}  // namespace

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

QFont verdanaFont(bool bold) { return designFont(QStringLiteral("Verdana"), bold); }

QFont msSansSerifFont(bool bold) { return designFont(QStringLiteral("MS Sans Serif"), bold); }

void makeFixedToolWindow(QDialog& dialog, const QString& caption, int clientWidthTwips, int clientHeightTwips) {
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(pixels(clientWidthTwips), pixels(clientHeightTwips));
}

void placeTwips(QWidget& widget, int left, int top, int width, int height) {
    widget.setGeometry(twipsRect(left, top, width, height));
}

}  // namespace kavtra
