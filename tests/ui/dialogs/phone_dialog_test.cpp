#include "ui/dialogs/phone_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "tests/support/contains.h"
#include "tests/support/core_on_board.h"
#include "web/access.h"

namespace kavtra {
namespace {

struct PhoneDialogTest : ::testing::Test, test::CoreOnBoard {
    PhoneDialogTest() { useRules("[Group Двор]\nOutputs=3-4\n"); }
    PhoneDialog open() {
        return {rules,
                [this] {
                    return PhoneDialog::Reach{sites, QStringLiteral("веб-доступ выключен")};
                },
                [this](QWidget*, const QString&, const QString& text) {
                    questions.append(text);
                    return answer;
                }};
    }
    std::string file() const { return test::readBytes(rules.path()); }
    static QString rows(const QTreeWidget& list) {
        QStringList shown;
        for (int r = 0; r < list.topLevelItemCount(); ++r)
            shown.append(list.topLevelItem(r)->text(0) + " | " + list.topLevelItem(r)->text(1));
        return shown.join("; ");
    }
    QStringList sites;  // where the page opens, as the program would answer
    QStringList questions;
    bool answer = true;
};

// A token made in the window: the file keeps only its hash, the code and the
// address carry the secret in the fragment for the site chosen (asked again
// after the token: the first lets the server start), a second of the same
// name is refused and the removal asks first.
TEST_F(PhoneDialogTest, MakesATokenShowsItOnceAsACodeAndRemovesItWhenConfirmed) {
    PhoneDialog dialog = open();
    dialog.show();
    EXPECT_EQ(dialog.findChild<QLabel*>("phoneWhere")->text(),
              QStringLiteral("Телефон страницу не откроет: веб-доступ выключен."));
    sites = QStringList{"http://192.168.1.5:8080", "http://pc.local:8080"};
    dialog.name->setText(QStringLiteral(" Телефон Ани "));
    dialog.makeButton->click();
    const QString link = dialog.link->text();
    const std::string secret = link.section(QStringLiteral("#token="), 1).toStdString();
    ASSERT_EQ(secret.size(), 64u) << link.toStdString();
    EXPECT_EQ(link.section('#', 0, 0), QStringLiteral("http://192.168.1.5:8080/"));
    const AccessToken* made = web::matchToken(rules.rules().tokens, secret);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->name, "Телефон Ани");
    EXPECT_EQ(made->role, AccessToken::Role::Switch);
    EXPECT_FALSE(test::contains(file(), secret));
    EXPECT_EQ(rows(*dialog.tokens), QStringLiteral("Телефон Ани | переключает"));
    const QImage first = dialog.code->pixmap().toImage();
    EXPECT_TRUE(dialog.code->isVisible() && first.width() >= 29 * 5 && first.width() == first.height());

    dialog.site->setCurrentIndex(1);
    EXPECT_EQ(dialog.link->text(), QString::fromStdString("http://pc.local:8080/#token=" + secret));
    EXPECT_NE(dialog.code->pixmap().toImage(), first);

    const std::string once = file();
    dialog.name->setText(QStringLiteral("Телефон Ани"));
    dialog.makeButton->click();
    EXPECT_TRUE(dialog.problem->isVisible() && dialog.problem->text().contains(QStringLiteral("уже есть")));
    EXPECT_EQ(file(), once);

    dialog.tokens->setCurrentItem(dialog.tokens->topLevelItem(0));
    answer = false;
    dialog.removeButton->click();
    EXPECT_EQ(file(), once);
    answer = true;
    dialog.removeButton->click();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions.front().contains(QStringLiteral("«Телефон Ани»")));
    EXPECT_TRUE(rules.rules().tokens.empty() && dialog.tokens->topLevelItemCount() == 0);
    EXPECT_EQ(file(), test::rulesFileText("[Group Двор]\nOutputs=3-4\n"));
}

// Where no phone can reach the page the secret is shown alone, for scripts.
// Enter in the name makes the token.
TEST_F(PhoneDialogTest, WithoutASiteShowsTheSecretAlone) {
    PhoneDialog dialog = open();
    dialog.show();
    dialog.name->setText(QStringLiteral("скрипт"));
    dialog.role->setCurrentIndex(1);
    QTest::keyClick(dialog.name, Qt::Key_Return);  // makes one, and says nothing of the name it cleared
    EXPECT_FALSE(dialog.problem->isVisible());
    ASSERT_EQ(rules.rules().tokens.size(), 1u);
    EXPECT_EQ(rules.rules().tokens.front().role, AccessToken::Role::Read);
    EXPECT_NE(web::matchToken(rules.rules().tokens, dialog.link->text().toStdString()), nullptr);
    EXPECT_FALSE(dialog.code->isVisible());
}

}  // namespace
}  // namespace kavtra
