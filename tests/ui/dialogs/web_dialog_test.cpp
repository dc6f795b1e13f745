#include "ui/dialogs/web_dialog.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "tests/support/dialog_ok.h"

namespace kavtra {
namespace {

// "Ok" with what the user typed: the dialog's answer and config.ini's bytes.
TEST(WebDialog, OkWritesListenOnlyWhenItIsAnAddressThatChanged) {
    const std::string before = "[Configs]\r\nValLoad=2\r\n[Web]\r\nListen=127.0.0.1:8080\r\n";
    const struct {
        const char* typed;
        bool accepted;
        std::string after;
    } cases[] = {
        {" 127.0.0.1:8080 ", true, before},
        {"0.0.0.0:8443", true, "[Configs]\r\nValLoad=2\r\n[Web]\r\nListen=0.0.0.0:8443\r\n"},
        {"8081", true, "[Configs]\r\nValLoad=2\r\n[Web]\r\nListen=8081\r\n"},
        {"", true, "[Configs]\r\nValLoad=2\r\n[Web]\r\nListen=\r\n"},
        {"Garden.local:80", true, "[Configs]\r\nValLoad=2\r\n[Web]\r\nListen=Garden.local:80\r\n"},
        {"сад:80", false, before},
        {"127.0.0.1", false, before},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const test::ScratchFile file("config.ini", before);
        clsINI config;
        config.FileName(file.path);
        Settings settings(config);
        WebDialog dialog(settings, QStringLiteral("Веб: http://127.0.0.1:8080"));
        dialog.show();
        EXPECT_EQ(dialog.listen->text(), QStringLiteral("127.0.0.1:8080"));
        dialog.listen->setText(QString::fromUtf8(c.typed));
        test::clickOk(dialog);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(dialog.problem->isVisible(), !c.accepted);
        EXPECT_GE(dialog.height(), dialog.sizeHint().height());  // the red line cuts no other line off
        EXPECT_EQ(file.bytes(), c.after);
    }
}

}  // namespace
}  // namespace kavtra
