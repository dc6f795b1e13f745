#include "ui/main/status_field.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QtMath>

namespace kavtra {

StatusField::StatusField(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void StatusField::setFullText(const QString& text) {
    if (text == full_) return;
    full_ = text;
    setToolTip(text);
    updateGeometry();
    elide();
}

void StatusField::setWrapped() {
    wrapped_ = true;
    setWordWrap(true);
    elide();
}

QSize StatusField::sizeHint() const {
    if (wrapped_) return QLabel::sizeHint();
    const QMargins margins = contentsMargins();
    // Text is laid out in fractions of a pixel, and elidedText cuts a text
    // that is a fraction wider than the field.
    const int advance = qCeil(QFontMetricsF(font()).horizontalAdvance(full_));
    return {advance + margins.left() + margins.right() + 2 * margin(), QLabel::sizeHint().height()};
}

QSize StatusField::minimumSizeHint() const {
    if (wrapped_) return QLabel::minimumSizeHint();
    return {fontMetrics().horizontalAdvance(QStringLiteral("ab…")), QLabel::minimumSizeHint().height()};
}

void StatusField::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void StatusField::elide() {
    setText(wrapped_ ? full_ : fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width()));
}

void StatusField::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void StatusField::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

}  // namespace kavtra
