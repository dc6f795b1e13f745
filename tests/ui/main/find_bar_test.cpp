#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "window_fixture.h"

namespace kavtra::test {
namespace {

class FindBarTest : public WindowTest {
protected:
    MyFrm& startActive() {
        MyFrm& frm = start(true);
        frm.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frm));
        return frm;
    }

    std::vector<int> shownOutputs() const {
        std::vector<int> shown;
        for (int n = 1; n <= 300; ++n) {
            if (!row(n)->isHidden()) shown.push_back(n);
        }
        return shown;
    }
};

TEST_F(FindBarTest, CtrlFOpensItAndTypingFiltersByNameOrNumber) {
    MyFrm& frm = startActive();
    engine().rename(150, "Pump north");
    engine().rename(7, "pump south");
    EXPECT_TRUE(frm.findBar->isHidden());
    QTest::keyClick(frm.List1, Qt::Key_F, Qt::ControlModifier);
    ASSERT_FALSE(frm.findBar->isHidden());
    EXPECT_EQ(QApplication::focusWidget(), frm.findBar->field);
    // Below the list, above the status bar.
    EXPECT_GE(frm.findBar->geometry().top(), frm.List1->geometry().bottom());

    QTest::keyClicks(frm.findBar->field, "PUMP");
    EXPECT_EQ(shownOutputs(), (std::vector<int>{7, 150}));
    frm.findBar->field->clear();
    QTest::keyClicks(frm.findBar->field, "29");
    // Number 29 and 290 to 299; and "Вывод 129", "Вывод 229" by their names.
    EXPECT_EQ(shownOutputs(), (std::vector<int>{29, 129, 229, 290, 291, 292, 293, 294, 295, 296, 297, 298, 299}));
    EXPECT_EQ(frm.List1->topLevelItemCount(), 300);
    EXPECT_EQ(frm.List1->columnWidth(0), 200);
    EXPECT_EQ(frm.List1->columnWidth(1), 100);
}

TEST_F(FindBarTest, AShownRowIsStillItsOwnOutputAndAHiddenOneIsNotSwitched) {
    MyFrm& frm = startActive();
    frm.List1->setCurrentItem(row(3));
    QTest::keyClick(frm.List1, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(frm.findBar->field, "17");
    EXPECT_FALSE(row(3)->isSelected());
    QTest::keyClick(frm.List1, Qt::Key_Space);
    EXPECT_TRUE(engine().isOn(3)) << "the hidden row was not switched";

    doubleClick(171);
    EXPECT_FALSE(engine().isOn(171));
    EXPECT_EQ(board_.outputLevel(171), 0);
    EXPECT_TRUE(engine().isOn(17));

    // Return in the field goes to the first row found.
    frm.findBar->field->setFocus();
    QTest::keyClick(frm.findBar->field, Qt::Key_Return);
    EXPECT_EQ(frm.List1->currentItem(), row(17));
    EXPECT_EQ(QApplication::focusWidget(), frm.List1);
}

TEST_F(FindBarTest, EscClosesItAndShowsEveryRowAgain) {
    MyFrm& frm = startActive();
    for (QWidget* from : {static_cast<QWidget*>(nullptr), static_cast<QWidget*>(frm.List1)}) {
        QTest::keyClick(frm.List1, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(frm.findBar->field, "12");
        ASSERT_LT(shownOutputs().size(), 300u);
        QTest::keyClick(from ? from : frm.findBar->field, Qt::Key_Escape);
        EXPECT_TRUE(frm.findBar->isHidden());
        EXPECT_EQ(shownOutputs().size(), 300u);
        EXPECT_EQ(QApplication::focusWidget(), frm.List1);
    }
}

TEST_F(FindBarTest, EscInTheNameEditorOnlyCancelsTheEdit) {
    MyFrm& frm = startActive();
    QTest::keyClick(frm.List1, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(frm.findBar->field, "5");
    frm.List1->setCurrentItem(row(5));
    frm.List1->setFocus();
    QTest::keyClick(frm.List1, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(frm.findBar->isHidden());
    EXPECT_EQ(row(5)->text(0), QStringLiteral("Вывод 5"));
    EXPECT_FALSE(exists("Data.dat"));
}

}  // namespace
}  // namespace kavtra::test
