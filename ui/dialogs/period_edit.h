#pragma once

#include <QLineEdit>

namespace kavtra {

// The transfer period field of the options dialog. Typing lets through only
// digits and Backspace; keys that make no character (Delete, arrows, Home,
// End) edit as usual. Text that arrives otherwise (pasted through the context
// menu, dropped, inserted, set from config.ini) keeps only its digits.
// Whatever the text becomes, a value above 10000 is replaced by "10000", all
// selected so that the next digit replaces it. Focus arriving selects the
// whole text.
class PeriodEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr double kMaximum = 10000;

    explicit PeriodEdit(QWidget* parent);

    // Caret at the start, the whole text selected.
    void selectWhole();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void capAtMaximum(const QString& text);
};

}  // namespace kavtra
