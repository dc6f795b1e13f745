#include "ui/dialogs/period_edit.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>

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

// The context menu's "Paste", chosen as a user does: the menu opened by a
// right click, its action triggered.
void pasteThroughContextMenu(QLineEdit* edit) {
    const QPoint at = edit->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, edit->mapToGlobal(at));
    QApplication::sendEvent(edit, &event);
    QMenu* menu = nullptr;
    for (int i = 0; i < 100 && !menu; ++i) {
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) QTest::qWait(10);
    }
    ASSERT_NE(menu, nullptr);
    QAction* paste = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text().startsWith(QStringLiteral("&Paste"))) paste = action;
    }
    ASSERT_NE(paste, nullptr);
    ASSERT_TRUE(paste->isEnabled());
    paste->trigger();
    menu->close();
}

void dropText(QLineEdit* edit, const QString& text) {
    QMimeData mime;
    mime.setText(text);
    const QPointF at = edit->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &move);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &drop);
}

TEST_F(PeriodEditTest, TextArrivingOtherThanByTypingKeepsOnlyItsDigits) {
    struct Way {
        const char* name;
        std::function<void(QLineEdit*, const QString&)> put;
        bool atCaret;  // a drop puts the text where it is dropped
        // Closing the context menu gives the field the focus back, which
        // selects the whole text.
        bool keepsFocus;
    };
    const Way ways[] = {
        {"context menu",
         [](QLineEdit* e, const QString& t) {
             QApplication::clipboard()->setText(t);
             pasteThroughContextMenu(e);
         },
         true, false},
        {"Shift+Insert",
         [](QLineEdit* e, const QString& t) {
             QApplication::clipboard()->setText(t);
             QTest::keyClick(e, Qt::Key_Insert, Qt::ShiftModifier);
         },
         true, true},
        {"drop", dropText, false, true},
        {"insert", [](QLineEdit* e, const QString& t) { e->insert(t); }, true, true},
    };
    struct Text {
        QString arriving;
        QString shown;
    };
    const Text texts[] = {
        {QStringLiteral("300abc"), QStringLiteral("300")},
        {QStringLiteral(" 1a2-5\t"), QStringLiteral("125")},
        {QStringLiteral("abc"), QString()},
        {QStringLiteral("٣٠٠"), QString()},
        {QStringLiteral("5e3"), QStringLiteral("53")},
        {QStringLiteral("12345xyz"), QStringLiteral("10000")},
    };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const Way& way : ways) {
        for (const Text& text : texts) {
            SCOPED_TRACE(std::string(way.name) + ": " + text.arriving.toStdString());
            edit->clear();
            way.put(edit, text.arriving);
            EXPECT_EQ(edit->text(), text.shown);
        }
        if (!way.atCaret) continue;
        // Into the middle of a value: the caret stays after what arrived.
        edit->setText(QStringLiteral("16"));
        edit->setCursorPosition(1);
        way.put(edit, QStringLiteral("x2y"));
        EXPECT_EQ(edit->text(), QStringLiteral("126")) << way.name;
        if (way.keepsFocus) {
            EXPECT_EQ(edit->cursorPosition(), 2) << way.name;
        }
    }
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
