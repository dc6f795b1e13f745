#pragma once

#include <QColor>
#include <QLabel>

namespace kavtra {

// A label that works as a link: underlined, dark blue until the pointer moves
// over it, then dark red until its owner puts it back. It never takes focus,
// so no key follows it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr QColor kNormalColour{0, 0, 100};
    static constexpr QColor kPointerColour{100, 0, 0};

    LinkLabel(const QString& text, const QFont& font, QWidget* parent);

    void setTextColour(const QColor& colour);
    QColor textColour() const;

signals:
    // A press and a release of the left button over the label.
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace kavtra
