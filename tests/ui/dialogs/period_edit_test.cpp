#include "ui/dialogs/period_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace kavtra {
namespace {

// The field in a window of its own, with a button beside it to take the focus
// away and give it back.
class PeriodEditTest : public ::testing::Test {
protected:
    PeriodEditTest() {
        auto* layout = new QVBoxLayout(&window);
        edit = new PeriodEdit(&window);
        other = new QPushButton(QStringLiteral("x"), &window);
        layout->addWidget(edit);
        layout->addWidget(other);
    }

    bool wholeTextSelected() const {
        return edit->selectedText() == edit->text() && edit->selectionStart() == 0 && edit->cursorPosition() == 0;
    }

    QWidget window;
    PeriodEdit* edit;
    QPushButton* other;
};

TEST_F(PeriodEditTest, TypingBeyondTheMaximumShowsTheMaximumAllSelected) {
    QTest::keyClicks(edit, QStringLiteral("2000"));
    EXPECT_EQ(edit->text(), QStringLiteral("2000"));
    EXPECT_FALSE(edit->hasSelectedText());

    QTest::keyClick(edit, Qt::Key_0);
    EXPECT_EQ(edit->text(), QStringLiteral("10000"));
    EXPECT_TRUE(wholeTextSelected());

    // The next digit replaces the capped value.
    QTest::keyClick(edit, Qt::Key_7);
    EXPECT_EQ(edit->text(), QStringLiteral("7"));
}

TEST_F(PeriodEditTest, TextSetOrPastedIsCappedButSmallValuesAreLeftAlone) {
    edit->setText(QStringLiteral("20000"));
    EXPECT_EQ(edit->text(), QStringLiteral("10000"));
    EXPECT_TRUE(wholeTextSelected());

    edit->setText(QStringLiteral("10000"));
    EXPECT_FALSE(edit->hasSelectedText());

    edit->setText(QStringLiteral("7"));
    EXPECT_EQ(edit->text(), QStringLiteral("7"));

    edit->clear();
    QApplication::clipboard()->setText(QStringLiteral("12345xyz"));
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("10000"));
}

TEST_F(PeriodEditTest, OnlyDigitsAndBackspaceAreTyped) {
    edit->setText(QStringLiteral("120"));
    edit->setCursorPosition(3);
    QApplication::clipboard()->setText(QStringLiteral("999"));

    QTest::keyClick(edit, Qt::Key_A);
    QTest::keyClick(edit, Qt::Key_Z, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Minus);
    QTest::keyClick(edit, Qt::Key_Period);
    QTest::keyClick(edit, Qt::Key_Comma);
    QTest::keyClick(edit, Qt::Key_Space);
    QTest::keyClick(edit, Qt::Key_Plus);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);
    QTest::keyClick(edit, Qt::Key_Escape);
    // A Cyrillic letter (Qt Test cannot type one).
    QKeyEvent cyrillic(QEvent::KeyPress, 0x0415, Qt::NoModifier, QStringLiteral("е"));
    QApplication::sendEvent(edit, &cyrillic);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("120"));
    EXPECT_EQ(edit->cursorPosition(), 3);

    // Select-all and cut are clipboard shortcuts too.
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("120"));
    EXPECT_FALSE(edit->hasSelectedText());

    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_5);
    EXPECT_EQ(edit->text(), QStringLiteral("125"));
}

TEST_F(PeriodEditTest, KeysThatTypeNoCharacterStillEdit) {
    edit->setText(QStringLiteral("1234"));
    edit->setCursorPosition(4);
    QTest::keyClick(edit, Qt::Key_Home);
    EXPECT_EQ(edit->cursorPosition(), 0);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), QStringLiteral("234"));
    QTest::keyClick(edit, Qt::Key_Right);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), QStringLiteral("24"));
    QTest::keyClick(edit, Qt::Key_End);
    EXPECT_EQ(edit->cursorPosition(), 2);
}

TEST_F(PeriodEditTest, FocusArrivingSelectsTheWholeText) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setText(QStringLiteral("250"));
    other->setFocus();
    ASSERT_FALSE(edit->hasSelectedText());

    edit->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(edit->hasFocus());
    EXPECT_TRUE(wholeTextSelected());
}

}  // namespace
}  // namespace kavtra
