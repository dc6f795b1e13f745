#include "ui/dialogs/period_edit.h"

#include <QKeyEvent>
#include <QValidator>
#include <optional>

#include "persist/ini/numbers.h"

namespace kavtra {
namespace {

constexpr char16_t kBackspace = 8;

// The character code a key press types, as the field's filter judges it, or
// nothing for keys that type no character. Control with a letter types that
// letter's control code (Ctrl+V is 22) even where the platform reports no text.
std::optional<char16_t> typedCharacter(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Delete) return std::nullopt;
    if ((event.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<char16_t>(key - Qt::Key_A + 1);
    if (key == Qt::Key_Backspace) return kBackspace;
    const QString text = event.text();
    if (text.isEmpty()) return std::nullopt;
    return text.front().unicode();
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool accepted(char16_t c) { return isDigit(c) || c == kBackspace; }

// Every edit of the field passes here, whichever way its text came: what is
// no digit is dropped, and the caret keeps its place among the digits.
class DigitsOnly : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        QString digits;
        int digitsBeforeCaret = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (!isDigit(input[i])) continue;
            digits.append(input[i]);
            if (i < pos) ++digitsBeforeCaret;
        }
        input = digits;
        pos = digitsBeforeCaret;
        return Acceptable;
    }
};

}  // namespace

PeriodEdit::PeriodEdit(QWidget* parent) : QLineEdit(parent) {
    // Input methods would hand text past the key filter.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setValidator(new DigitsOnly(this));
    connect(this, &QLineEdit::textChanged, this, &PeriodEdit::capAtMaximum);
}

void PeriodEdit::selectWhole() { setSelection(static_cast<int>(text().size()), -static_cast<int>(text().size())); }

void PeriodEdit::keyPressEvent(QKeyEvent* event) {
    const std::optional<char16_t> c = typedCharacter(*event);
    if (c && !accepted(*c)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void PeriodEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    selectWhole();
}

void PeriodEdit::capAtMaximum(const QString& text) {
    if (numericReading(text.toStdString()) <= kMaximum) return;
    setText(QStringLiteral("10000"));
    selectWhole();
}

}  // namespace kavtra
