#include "ui/dialogs/dialog_look.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "ui/main/twips.h"

namespace kavtra {
namespace {

constexpr double kDesignPointSize = 8.25;

QFont designFont(const QString& family, bool bold) {
    QFont font(family);
    font.setPointSizeF(kDesignPointSize);
    font.setBold(bold);
    return font;
}

int pixels(int twips) { return twipsToPixels(static_cast<float>(twips)); }

}  // namespace

QFont verdanaFont(bool bold) { return designFont(QStringLiteral("Verdana"), bold); }

QFont msSansSerifFont(bool bold) { return designFont(QStringLiteral("MS Sans Serif"), bold); }

void makeFixedToolWindow(QDialog& dialog, const QString& caption, int clientWidthTwips, int clientHeightTwips) {
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(pixels(clientWidthTwips), pixels(clientHeightTwips));
}

void placeTwips(QWidget& widget, const QRect& twips) {
    widget.setGeometry(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()), pixels(twips.height()));
}

QDialogButtonBox* okCancelButtons(QDialog& dialog, const std::function<void()>& ok) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Ok"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, ok);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

}  // namespace kavtra
