#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "window_fixture.h"

namespace kavtra::test {
namespace {

class FindBarTest : public WindowTest {
protected:
    void startActive() {
        MyFrm& frm = start(true);
        frm.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frm));
    }

    FindBar& bar() const { return findBarOf(*frm_); }

    std::vector<int> shownOutputs() const {
        std::vector<int> shown;
        for (int n = 1; n <= 300; ++n) {
            if (!row(n)->isHidden()) shown.push_back(n);
        }
        return shown;
    }
};

TEST_F(FindBarTest, CtrlFOpensItAndTypingFiltersByNameOrNumber) {
    startActive();
    engine().rename(150, "Pump north", Source::Window);
    engine().rename(7, "pump south", Source::Window);
    EXPECT_TRUE(bar().isHidden());
    QTest::keyClick(&list(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_FALSE(bar().isHidden());
    EXPECT_EQ(QApplication::focusWidget(), bar().field);
    // Below the list, above the status bar.
    EXPECT_GE(bar().geometry().top(), list().geometry().bottom());

    QTest::keyClicks(bar().field, "PUMP");
    EXPECT_EQ(shownOutputs(), (std::vector<int>{7, 150}));
    EXPECT_EQ(bar().found->text(), QStringLiteral("выводы 7,150"));
    EXPECT_EQ(row(7)->toolTip(0), QStringLiteral("Вывод 7"));
    bar().field->clear();
    QTest::keyClicks(bar().field, "29");
    // Number 29 and 290 to 299; and "Вывод 129", "Вывод 229" by their names.
    EXPECT_EQ(shownOutputs(), (std::vector<int>{29, 129, 229, 290, 291, 292, 293, 294, 295, 296, 297, 298, 299}));
    EXPECT_EQ(bar().found->text(), QStringLiteral("выводы 29,129,229,290-299"));
    QTest::keyClicks(bar().field, "x");
    EXPECT_EQ(bar().found->text(), QStringLiteral("не найдено"));
    bar().field->clear();
    EXPECT_EQ(list().topLevelItemCount(), 300);
    EXPECT_EQ(list().columnWidth(0), 200);
    EXPECT_EQ(list().columnWidth(1), 100);
}

TEST_F(FindBarTest, AShownRowIsStillItsOwnOutputAndAHiddenOneIsNotSwitched) {
    startActive();
    list().setCurrentItem(row(3));
    QTest::keyClick(&list(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(bar().field, "17");
    EXPECT_FALSE(row(3)->isSelected());
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_TRUE(engine().isOn(3)) << "the hidden row was not switched";

    doubleClick(171);
    EXPECT_FALSE(engine().isOn(171));
    EXPECT_EQ(board_.outputLevel(171), 0);
    EXPECT_TRUE(engine().isOn(17));

    // Return in the field goes to the first row found.
    bar().field->setFocus();
    QTest::keyClick(bar().field, Qt::Key_Return);
    EXPECT_EQ(list().currentItem(), row(17));
    EXPECT_EQ(QApplication::focusWidget(), &list());
}

TEST_F(FindBarTest, EscClosesItAndShowsEveryRowAgain) {
    startActive();
    for (QWidget* from : {static_cast<QWidget*>(nullptr), static_cast<QWidget*>(&list())}) {
        QTest::keyClick(&list(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(bar().field, "12");
        ASSERT_LT(shownOutputs().size(), 300u);
        QTest::keyClick(from ? from : bar().field, Qt::Key_Escape);
        EXPECT_TRUE(bar().isHidden());
        EXPECT_EQ(shownOutputs().size(), 300u);
        EXPECT_EQ(QApplication::focusWidget(), &list());
    }
}

TEST_F(FindBarTest, EscInTheNameEditorOnlyCancelsTheEdit) {
    startActive();
    QTest::keyClick(&list(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(bar().field, "5");
    list().setCurrentItem(row(5));
    list().setFocus();
    QTest::keyClick(&list(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(bar().isHidden());
    EXPECT_EQ(row(5)->text(0), QStringLiteral("Вывод 5"));
    EXPECT_FALSE(exists("Data.dat"));
}

}  // namespace
}  // namespace kavtra::test
