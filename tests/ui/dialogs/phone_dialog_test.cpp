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

// A token made in the window: the file keeps only its hash. Without a site
// (the web access off) the secret shows alone, for scripts; once there are
// sites (asked again after each token: the first lets the server start) the
// code and the address carry it in the fragment for the site chosen. A
// second of the same name is refused, and the removal asks first.
TEST(PhoneDialog, MakesATokenShowsItOnceAsACodeAndRemovesItWhenConfirmed) {
    test::CoreOnBoard board;
    QStringList sites, questions;
    bool answer = false;
    PhoneDialog dialog(
        board.rules,
        [&] {
            return PhoneDialog::Reach{sites, QStringLiteral("веб-доступ выключен")};
        },
        [&](QWidget*, const QString&, const QString& text) { return questions.append(text), answer; });
    const auto file = [&] { return test::readBytes(board.rules.path()); };
    const auto tokens = [&]() -> const std::vector<AccessToken>& { return board.rules.rules().tokens; };
    dialog.show();
    EXPECT_EQ(dialog.findChild<QLabel*>("phoneWhere")->text(),
              QStringLiteral("Телефон страницу не откроет: веб-доступ выключен."));
    dialog.name->setText(QStringLiteral("скрипт"));
    dialog.role->setCurrentIndex(1);
    QTest::keyClick(dialog.name, Qt::Key_Return);  // makes one, and says nothing of the name it cleared
    EXPECT_FALSE(dialog.problem->isVisible() || dialog.code->isVisible());
    const AccessToken* script = web::matchToken(tokens(), dialog.link->text().toStdString());
    EXPECT_TRUE(script && script->role == AccessToken::Role::Read) << dialog.link->text().toStdString();

    sites = QStringList{"http://192.168.1.5:8080", "http://pc.local:8080"};
    dialog.name->setText(QStringLiteral(" Телефон Ани "));
    dialog.role->setCurrentIndex(0);
    dialog.makeButton->click();
    const QString link = dialog.link->text();
    const std::string secret = link.section(QStringLiteral("#token="), 1).toStdString();
    EXPECT_EQ(link.section('#', 0, 0), QStringLiteral("http://192.168.1.5:8080/"));
    const AccessToken* made = web::matchToken(tokens(), secret);
    EXPECT_TRUE(made && made->name == "Телефон Ани" && made->role == AccessToken::Role::Switch);
    EXPECT_FALSE(test::contains(file(), secret));
    EXPECT_EQ(dialog.tokens->topLevelItem(1)->text(1), QStringLiteral("переключает"));
    const QImage first = dialog.code->pixmap().toImage();
    EXPECT_TRUE(dialog.code->isVisible() && first.width() >= 29 * 5 && first.width() == first.height());
    dialog.site->setCurrentIndex(1);
    EXPECT_EQ(dialog.link->text(), QString::fromStdString("http://pc.local:8080/#token=" + secret));
    EXPECT_NE(dialog.code->pixmap().toImage(), first);

    const std::string twoTokens = file();
    dialog.name->setText(QStringLiteral("Телефон Ани"));
    dialog.makeButton->click();
    EXPECT_TRUE(dialog.problem->isVisible() && dialog.problem->text().contains(QStringLiteral("уже есть")));
    dialog.tokens->setCurrentItem(dialog.tokens->topLevelItem(1));
    dialog.removeButton->click();  // answered "Нет"
    EXPECT_EQ(file(), twoTokens);
    answer = true;
    dialog.removeButton->click();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions.front().contains(QStringLiteral("«Телефон Ани»")));
    EXPECT_TRUE(tokens().size() == 1 && dialog.tokens->topLevelItemCount() == 1);

    // A scope is read as Rules.ini would read it before anything is written.
    const std::string oneToken = file();
    dialog.name->setText(QStringLiteral("Двор"));
    dialog.scope->setText(QStringLiteral("1-20; @Сад"));
    dialog.makeButton->click();
    EXPECT_TRUE(dialog.problem->text().endsWith(QStringLiteral("нет группы «Сад»")));
    EXPECT_EQ(file(), oneToken);
    dialog.scope->setText(QStringLiteral("1-20"));
    dialog.makeButton->click();
    EXPECT_EQ(dialog.tokens->topLevelItem(1)->text(2), QStringLiteral("1-20"));
}

}  // namespace
}  // namespace kavtra
