#include "ui/dialogs/mqtt_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <functional>

#include <gtest/gtest.h>

#include "tests/support/dialog_ok.h"

namespace kavtra {
namespace {

// What the user does before "Ok": the dialog's answer and config.ini's bytes.
TEST(MqttDialog, OkSavesTheKeysThatChangedOnlyWhenTheLinkCouldUseThem) {
    const std::string before = "[MQTT]\r\nHost=broker.lan\r\nPort=1883\r\nOutputs=1-5, 7\r\n";
    const std::string section = "[MQTT]\r\nHost=broker.lan\r\nPort=1883\r\n";
    const struct {
        const char* what;
        std::function<void(MqttDialog&)> change;
        bool accepted;
        std::string after;
    } cases[] = {
        {"nothing", [](MqttDialog&) {}, true, before},
        {"the same list in other words", [](MqttDialog& d) { d.outputList->setText("7,1-5"); }, true, before},
        {"no host", [](MqttDialog& d) { d.host->clear(); }, true, "[MQTT]\r\nHost=\r\nPort=1883\r\nOutputs=1-5, 7\r\n"},
        {"named", [](MqttDialog& d) { d.namedOutputs->setChecked(true); }, true, section + "Outputs=named\r\n"},
        {"a login", [](MqttDialog& d) { d.user->setText("ha"), d.password->setText("p w"); }, true,
         before + "User=ha\r\nPassword=p w\r\n"},
        {"port 0", [](MqttDialog& d) { d.port->setText("0"); }, false, before},
        {"a list backwards", [](MqttDialog& d) { d.outputList->setText("40-2"); }, false, before},
        {"an empty list", [](MqttDialog& d) { d.outputList->clear(); }, false, before},
        {"a CA file that is not there",
         [](MqttDialog& d) { d.tls->setChecked(true), d.caFile->setText("/nowhere/ca.pem"); }, false, before},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const test::ScratchFile file("config.ini", before);
        const clsINI config(file.path);
        MqttDialog dialog(config, QStringLiteral("MQTT: подключено к broker.lan:1883"));
        dialog.show();
        EXPECT_TRUE(dialog.listedOutputs->isChecked());
        c.change(dialog);
        test::clickOk(dialog);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(dialog.problem->isVisible(), !c.accepted);
        EXPECT_GE(dialog.height(), dialog.sizeHint().height());  // the red line cuts no other line off
        EXPECT_EQ(file.bytes(), c.after);
    }
}

}  // namespace
}  // namespace kavtra
