#include "ui/dialogs/option_frm.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

class OptionFrmTest : public ::testing::Test {
protected:
    std::string programDir() const { return dir.path.string(); }
    std::string configFile() const { return programDir() + "/config.ini"; }

    void writeConfig(const std::string& bytes) const { test::writeBytes(configFile(), bytes); }
    std::optional<std::string> readConfig() const {
        if (!std::filesystem::exists(configFile())) return std::nullopt;
        return test::readBytes(configFile());
    }
    // The file's lines without their line ends.
    std::vector<std::string> configLines() const {
        std::vector<std::string> lines;
        std::istringstream in(readConfig().value_or(""));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    // The value of the first line of key, blanks around it removed.
    std::string configValue(const std::string& key) const {
        for (const std::string& line : configLines()) {
            if (line.rfind(key + "=", 0) != 0) continue;
            const std::string value = line.substr(key.size() + 1);
            const auto first = value.find_first_not_of(' ');
            return first == std::string::npos ? "" : value.substr(first, value.find_last_not_of(' ') - first + 1);
        }
        return "(missing)";
    }

    // Opens the dialog as the menu does, except that the range message is
    // answered at once and counted.
    OptionFrm& open(const QStringList& scenes = {}) {
        dialog = std::make_unique<OptionFrm>(settings, scenes);
        dialog->setRangeMessage([this](QWidget* owner) {
            ++rangeMessages;
            rangeMessageOwner = owner;
        });
        dialog->show();
        return *dialog;
    }

    template <typename T>
    T* child(const char* name) const {
        T* widget = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* Text1() const { return child<QLineEdit>("Text1"); }
    bool checked(const char* option) const { return child<QRadioButton>(option)->isChecked(); }
    void clickOk() const { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }
    void clickCancel() const { QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton); }

    test::ScratchDir dir;
    clsINI config = [this] {
        clsINI ini;
        ini.FileName(configFile());
        return ini;
    }();
    Settings settings{config};
    std::unique_ptr<OptionFrm> dialog;
    int rangeMessages = 0;
    QWidget* rangeMessageOwner = nullptr;
};

TEST_F(OptionFrmTest, ShowsTheStoredPoliciesAndPeriod) {
    writeConfig("[Configs]\r\nValLoad=2\r\nValUnload=1\r\nTimeUpdate= 250 \r\n");
    open();
    EXPECT_TRUE(checked("Option2"));
    EXPECT_TRUE(checked("Option6"));
    EXPECT_FALSE(checked("Option3"));
    EXPECT_FALSE(checked("Option4"));
    EXPECT_EQ(Text1()->text(), QStringLiteral("250"));
}

TEST_F(OptionFrmTest, MissingKeysShowTheDefaults) {
    writeConfig("[FormPosition]\r\nx=1000\r\n[Configs]\r\n");
    open();
    EXPECT_TRUE(checked("Option3"));
    EXPECT_TRUE(checked("Option4"));
    EXPECT_EQ(Text1()->text(), QStringLiteral("100"));

    std::remove(configFile().c_str());
    open();
    EXPECT_TRUE(checked("Option3"));
    EXPECT_TRUE(checked("Option4"));
    EXPECT_EQ(Text1()->text(), QStringLiteral("100"));
    EXPECT_FALSE(readConfig().has_value()) << "opening must not create the file";
}

TEST_F(OptionFrmTest, AStoredPeriodAboveTheMaximumIsShownAsTheMaximum) {
    writeConfig("[Configs]\r\nTimeUpdate=20000\r\n");
    open();
    EXPECT_EQ(Text1()->text(), QStringLiteral("10000"));
}

// The field shows only digits, whatever config.ini holds.
TEST_F(OptionFrmTest, AStoredPeriodShowsOnlyItsDigitsAndOneWithoutAnyIsRejected) {
    writeConfig("[Configs]\r\nTimeUpdate=150abc\r\n");
    open();
    EXPECT_EQ(Text1()->text(), QStringLiteral("150"));

    writeConfig("[Configs]\r\nTimeUpdate=often\r\n");
    open();
    EXPECT_EQ(Text1()->text(), QString());
    clickOk();
    EXPECT_EQ(rangeMessages, 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(readConfig(), "[Configs]\r\nTimeUpdate=often\r\n");
}

TEST_F(OptionFrmTest, UnknownPolicyCodesKeepTheFirstButtonsAndOkWritesThree) {
    const char* const stored[] = {"7", "abc", "", "1.5", "99999", "-1"};
    for (const char* code : stored) {
        SCOPED_TRACE(code);
        writeConfig(std::string("[Configs]\r\nValLoad=") + code + "\r\nValUnload=" + code + "\r\nTimeUpdate=100\r\n");
        open();
        EXPECT_TRUE(checked("Option3"));
        EXPECT_TRUE(checked("Option4"));
        clickOk();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(configLines(), (std::vector<std::string>{"[Configs]", "ValLoad=3", "ValUnload=3", "TimeUpdate=100"}));
    }
}

TEST_F(OptionFrmTest, OkChecksThePeriodRange) {
    struct Case {
        const char* text;
        bool accepted;
    };
    const Case cases[] = {{"49", false}, {"50", true}, {"10000", true}, {"", false}, {"0", false}, {"9999", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        writeConfig("[Configs]\r\nTimeUpdate=100\r\n");
        rangeMessages = 0;
        open();
        Text1()->setText(QString::fromLatin1(c.text));
        clickOk();
        if (c.accepted) {
            EXPECT_EQ(rangeMessages, 0);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
            EXPECT_EQ(configValue("TimeUpdate"), c.text);
        } else {
            EXPECT_EQ(rangeMessages, 1);
            EXPECT_EQ(rangeMessageOwner, dialog.get());
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(readConfig(), "[Configs]\r\nTimeUpdate=100\r\n");
            EXPECT_EQ(dialog->focusWidget(), Text1());
            EXPECT_EQ(Text1()->selectedText(), Text1()->text());
            EXPECT_EQ(Text1()->cursorPosition(), 0);
        }
    }
}

TEST_F(OptionFrmTest, TheRangeMessageIsAStopBoxWithOneButton) {
    writeConfig("[Configs]\r\nTimeUpdate=100\r\n");
    auto frm = std::make_unique<OptionFrm>(settings);
    frm->show();
    frm->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("49"));
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    qsizetype buttons = 0;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        answer.stop();
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    answer.start();
    QTest::mouseClick(frm->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_EQ(text, QStringLiteral("Значение обновления должно быть 50-10000"));
    EXPECT_EQ(title, QStringLiteral("Введите значение"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(OptionFrmTest, TypedDigitsStopAtTheMaximumAndOkWritesIt) {
    open();
    Text1()->clear();
    QTest::keyClicks(Text1(), QStringLiteral("20000"));
    EXPECT_EQ(Text1()->text(), QStringLiteral("10000"));
    EXPECT_EQ(Text1()->selectedText(), QStringLiteral("10000"));
    clickOk();
    EXPECT_EQ(configValue("TimeUpdate"), "10000");
}

TEST_F(OptionFrmTest, LettersPastedIntoThePeriodNeverReachTheFile) {
    open();
    Text1()->clear();
    QApplication::clipboard()->setText(QStringLiteral("150abc"));
    Text1()->paste();
    clickOk();
    EXPECT_EQ(rangeMessages, 0);
    EXPECT_EQ(readConfig(), "[Configs]\r\nValLoad=3\r\nValUnload=3\r\nTimeUpdate=150\r\n");

    open();
    Text1()->clear();
    QApplication::clipboard()->setText(QStringLiteral("  75 ms "));
    Text1()->paste();
    clickOk();
    EXPECT_EQ(configLines().back(), "TimeUpdate=75");
}

TEST_F(OptionFrmTest, APastedLineBreakAddsNoLineToTheFile) {
    open();
    Text1()->clear();
    QApplication::clipboard()->setText(QStringLiteral("150\r\n[Configs]\nValLoad=1"));
    Text1()->paste();
    clickOk();
    EXPECT_EQ(rangeMessages, 0);
    const std::vector<std::string> lines = configLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "ValLoad=3");
    EXPECT_TRUE(lines[3].starts_with("TimeUpdate=150")) << lines[3];
}

TEST_F(OptionFrmTest, OkWithoutChangesRewritesTheThreeKeysInOrder) {
    open();
    clickOk();
    EXPECT_EQ(configLines(), (std::vector<std::string>{"[Configs]", "ValLoad=3", "ValUnload=3", "TimeUpdate=100"}));

    // Keys already in the file keep their places and get the values shown.
    writeConfig("[configs]\r\nTimeUpdate= 250 \r\nvalunload=1\r\nValLoad=2\r\n");
    open();
    clickOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(configValue("TimeUpdate"), "250");
    EXPECT_EQ(configValue("valunload"), "1");
    EXPECT_EQ(configValue("ValLoad"), "2");
    EXPECT_EQ(configLines().size(), 4u);
}

TEST_F(OptionFrmTest, OkWritesTheChosenButtons) {
    open();
    QTest::mouseClick(child<QRadioButton>("Option1"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("Option5"), Qt::LeftButton);
    EXPECT_FALSE(checked("Option3"));
    EXPECT_FALSE(checked("Option4"));
    Text1()->setText(QStringLiteral("500"));
    clickOk();
    EXPECT_EQ(configLines(), (std::vector<std::string>{"[Configs]", "ValLoad=1", "ValUnload=2", "TimeUpdate=500"}));

    open();
    EXPECT_TRUE(checked("Option1"));
    EXPECT_TRUE(checked("Option5"));
    QTest::mouseClick(child<QRadioButton>("Option2"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("Option6"), Qt::LeftButton);
    clickOk();
    EXPECT_EQ(configLines(), (std::vector<std::string>{"[Configs]", "ValLoad=2", "ValUnload=1", "TimeUpdate=500"}));
}

TEST_F(OptionFrmTest, CancelAndTheCloseBoxWriteNothing) {
    const std::string stored = "[Configs]\r\nValLoad=2\r\nValUnload=1\r\nTimeUpdate=250\r\n";
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Отмена");
        writeConfig(stored);
        open();
        QTest::mouseClick(child<QRadioButton>("Option1"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>("Option4"), Qt::LeftButton);
        Text1()->setText(QStringLiteral("60"));
        if (closeBox)
            dialog->close();
        else
            clickCancel();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(readConfig(), stored);

        open();
        EXPECT_TRUE(checked("Option2"));
        EXPECT_TRUE(checked("Option6"));
        EXPECT_EQ(Text1()->text(), QStringLiteral("250"));
    }
}

TEST_F(OptionFrmTest, EnterAndEscapeDoNothing) {
    const std::string stored = "[Configs]\r\nTimeUpdate=250\r\n";
    writeConfig(stored);
    open();
    for (const char* name : {"Command1", "Command2"}) {
        QPushButton* button = child<QPushButton>(name);
        EXPECT_FALSE(button->isDefault()) << name;
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(button, key);
    }
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(Text1(), key);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Text1()->text(), QStringLiteral("250"));
    EXPECT_EQ(readConfig(), stored);
}

TEST_F(OptionFrmTest, OpensWithTheFocusOnOkAndTabsInTheDesignedOrder) {
    open();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>("Command1"));

    std::vector<QString> order;
    for (QWidget* w = dialog->focusWidget(); order.size() < 9; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName());
    EXPECT_EQ(order, (std::vector<QString>{"Command1", "Command2", "Option1", "Option2", "Option3", "Option4",
                                           "Option5", "Option6", "Text1"}));

    // Focus reaching the field by the keyboard selects all of it.
    Text1()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Text1()->selectedText(), QStringLiteral("100"));
}

TEST_F(OptionFrmTest, IsAFixedToolWindowOfTheDesignedSize) {
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Настройки"));
    EXPECT_EQ(dialog->size(), QSize(394, 160));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(child<QGroupBox>("Frame1")->title(), QStringLiteral("При запуске программы"));
    EXPECT_EQ(child<QGroupBox>("Frame2")->title(), QStringLiteral("При выключении программы"));
    EXPECT_EQ(child<QLabel>("Label2")->text(), QStringLiteral("Мс  (50 - 10000)"));
    EXPECT_EQ(child<QLineEdit>("Text1")->geometry(), QRect(212, 96, 49, 19));
    EXPECT_EQ(child<QRadioButton>("Option6")->geometry(), QRect(8, 24, 177, 17));
}

// "Вечер" in config.ini's Windows-1251.
const std::string kEvening1251 = "\xC2\xE5\xF7\xE5\xF0";

TEST_F(OptionFrmTest, AChosenSceneIsWrittenOnlyWhereTheChoiceDiffersFromTheFile) {
    const QStringList scenes = {QStringLiteral("Вечер"), QStringLiteral("Day"), QStringLiteral("Ω")};
    const std::string p1 = "ValLoad=3", p2 = "ValUnload=3", p3 = "TimeUpdate=100";
    const struct {
        const char* what;
        std::string stored;
        QStringList scenes;
        const char *load, *unload;  // the entries chosen; null: as opened
        int height;
        std::vector<std::string> lines;  // after "[Configs]"
    } cases[] = {
        {"no scenes: the dialog as designed", "", {}, nullptr, nullptr, 160, {p1, p2, p3}},
        {"both chosen", "", scenes, "Вечер", "Day", 186, {p1, p2, p3, "SceneLoad=" + kEvening1251, "SceneUnload=Day"}},
        {"one back to none",
         "[Configs]\r\nSceneLoad=Day\r\nSceneUnload=Day\r\n",
         scenes,
         "(нет)",
         nullptr,
         186,
         {"SceneLoad=", "SceneUnload=Day", p1, p2, p3}},
        {"a scene gone from Rules.ini stays chosen",
         "[Configs]\r\nSceneLoad=Old\r\n",
         {},
         nullptr,
         nullptr,
         186,
         {"SceneLoad=Old", p1, p2, p3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(configFile().c_str());
        if (!c.stored.empty()) writeConfig(c.stored);
        open(c.scenes);
        auto* load = child<QComboBox>("SceneLoad");
        auto* unload = child<QComboBox>("SceneUnload");
        EXPECT_EQ(dialog->height(), c.height);
        EXPECT_EQ(load->isVisible(), c.height != 160);
        if (c.load) load->setCurrentText(QString::fromUtf8(c.load));
        if (c.unload) unload->setCurrentText(QString::fromUtf8(c.unload));
        clickOk();
        std::vector<std::string> expected = {"[Configs]"};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(configLines(), expected);
    }
    EXPECT_EQ(child<QComboBox>("SceneLoad")->currentText(), QStringLiteral("Old (нет в Rules.ini)"));
    // A name Windows-1251 lacks would come back as another name.
    open(scenes);
    const auto* items = qobject_cast<QStandardItemModel*>(child<QComboBox>("SceneLoad")->model());
    EXPECT_FALSE(items->item(3)->isEnabled());
}

}  // namespace
}  // namespace kavtra
