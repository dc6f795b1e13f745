#include "ui/main/status_field.h"

#include <QMouseEvent>

namespace kavtra {

StatusField::StatusField(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void StatusField::setFullText(const QString& text) {
    if (text == full_) return;
    full_ = text;
    setToolTip(text);
    updateGeometry();
    elide();
}

QSize StatusField::sizeHint() const {
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(full_) + margins.left() + margins.right() + 2 * margin(),
            QLabel::sizeHint().height()};
}

QSize StatusField::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("ab…")), QLabel::minimumSizeHint().height()};
}

void StatusField::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void StatusField::elide() { setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width())); }

void StatusField::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

}  // namespace kavtra
