#include "ui/dialogs/rule_dialog.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "tests/support/core_on_board.h"

namespace kavtra {
namespace {

struct RuleDialogTest : ::testing::Test, test::CoreOnBoard {
    RuleDialogTest() { useRules("[Scene Ночь]\nOn=9\n[Rule Свет]\nWhen=input 1 on\nDo=set 7=on\n"); }
    std::string row(int r, int column) const { return dialog.list->topLevelItem(r)->text(column).toStdString(); }
    RuleDialog dialog{rules};
};

// What the form saves is the file's, read back; what reading refuses stays
// in the form, unsaved; the row's box switches the rule and keeps it so.
TEST_F(RuleDialogTest, SavesTheFormRefusesWhatReadingWouldAndSwitchesRulesFromTheirRows) {
    ASSERT_EQ(dialog.list->topLevelItemCount(), 1);
    EXPECT_EQ(row(0, 1) + " | " + row(0, 2) + " | " + row(0, 4), "Свет | input 1 on | set 7=on");

    dialog.newButton->click();
    dialog.name->setText(QStringLiteral("Ночь"));
    dialog.when->setText(QStringLiteral("input 2 held 3s"));
    dialog.actions->setText(QStringLiteral("scene Утро"));
    dialog.saveButton->click();
    EXPECT_EQ(dialog.message->text().toStdString(), "Rules.ini, [Rule Ночь], Do: «scene Утро»: нет сцены «Утро»");
    EXPECT_EQ(rules.rules().automationRules.size(), 1u);

    dialog.actions->setText(QStringLiteral("scene Ночь; set 7=off"));
    dialog.conditions->setText(QStringLiteral("output 7 on"));
    dialog.saveButton->click();
    EXPECT_EQ(dialog.message->text().toStdString(), "Сохранено в Rules.ini.");
    EXPECT_NE(test::readBytes(rules.path())
                  .find("[Rule Ночь]\r\nWhen=input 2 held 3s\r\nIf=output 7 on\r\nDo=scene "
                        "Ночь; set 7=off\r\n"),
              std::string::npos);

    dialog.list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(rules.rules().rule("Свет")->enabled);
    EXPECT_NE(test::readBytes(rules.path()).find("Enabled=0"), std::string::npos);
    QCoreApplication::processEvents();  // the list filled anew from the reading
    ASSERT_EQ(dialog.list->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.list->topLevelItem(0)->checkState(0), Qt::Unchecked);
}

}  // namespace
}  // namespace kavtra
