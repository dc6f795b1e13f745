#include "ui/dialogs/link_label.h"

#include <QMouseEvent>

namespace kavtra {

LinkLabel::LinkLabel(const QString& text, const QFont& font, QWidget* parent) : QLabel(text, parent) {
    QFont underlined = font;
    underlined.setUnderline(true);
    setFont(underlined);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setTextColour(kNormalColour);
}

void LinkLabel::setTextColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

QColor LinkLabel::textColour() const { return palette().color(QPalette::WindowText); }

void LinkLabel::mouseMoveEvent(QMouseEvent* event) {
    setTextColour(kPointerColour);
    event->accept();
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) emit clicked();
}

}  // namespace kavtra
