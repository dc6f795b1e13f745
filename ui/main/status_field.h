#pragma once

#include <QLabel>

namespace kavtra {

// One field of the status bar. A text longer than the field is cut with an
// ellipsis rather than widening the window; the whole text is its tooltip.
// A wrapped field (the message line) instead takes as many lines as its
// text needs, so a failure is read whole whatever the fonts.
class StatusField : public QLabel {
    Q_OBJECT

public:
    explicit StatusField(QWidget* parent = nullptr);

    // The whole text; text() is what the field shows.
    QString fullText() const { return full_; }
    void setFullText(const QString& text);
    void setWrapped();

    // Wants room for the whole text, makes do with a few characters.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();
    void doubleClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void elide();

    QString full_;
    bool wrapped_ = false;
};

}  // namespace kavtra
