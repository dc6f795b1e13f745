#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

#include "persist/profile/failure_report.h"
#include "window_fixture.h"

namespace kavtra::test {
namespace {

const QColor kRed(192, 0, 0);

class StatusBarTest : public WindowTest {
protected:
    MainStatusBar& bar() const { return statusOf(*frm_); }
    QString message() const { return bar().message->isHidden() ? QString() : bar().message->fullText(); }
    bool messageIsRed() const { return bar().message->palette().color(QPalette::WindowText) == kRed; }
    // The failure shows whole, on as many lines as it needs.
    bool failureHasItsRoom() const {
        const StatusField& line = *bar().message;
        return line.text() == message() && line.height() >= line.heightForWidth(line.width());
    }
};

TEST_F(StatusBarTest, SitsBelowTheListAndShowsThePortAndTheFilesDirectory) {
    MyFrm& frm = start(true);
    frm.setPortName(QStringLiteral("sim"), true);
    EXPECT_EQ(bar().port->fullText(), QStringLiteral("Порт: модель платы"));
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("Кавтра"));
    frm.setPortName(QStringLiteral("sim"), true, QStringLiteral("inpoutx64.dll"));
    EXPECT_EQ(bar().port->fullText(), QStringLiteral("Порт: модель платы вместо inpoutx64.dll"));
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("Кавтра — модель платы: порт inpoutx64.dll не открыт"));
    frm.setPortName(QStringLiteral("/dev/parport0"), false);
    EXPECT_EQ(bar().port->fullText(), QStringLiteral("Порт: /dev/parport0"));
    frm.setFilesDirectory(QStringLiteral("/opt/kavtra"), false);
    // Folders are shown in the system's own separators.
    EXPECT_EQ(bar().files->fullText(), QDir::toNativeSeparators(QStringLiteral("Файлы: /opt/kavtra")));
    frm.setFilesDirectory(QStringLiteral("/home/u/.local/share/kavtra"), true);
    EXPECT_EQ(bar().files->fullText(), QDir::toNativeSeparators(QStringLiteral("Файлы: /home/u/.local/share/kavtra")) +
                                           QStringLiteral(" (папка программы закрыта для записи)"));
    EXPECT_TRUE(bar().isVisible());
    EXPECT_GE(bar().geometry().top(), frm.centralWidget()->geometry().bottom());
    EXPECT_TRUE(message().isEmpty());

    // A double click on the port asks for the board's window.
    QSignalSpy asked(&frm, &MyFrm::portDoubleClicked);
    const QPoint centre = bar().port->rect().center();
    QTest::mouseClick(bar().port, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(bar().port, Qt::LeftButton, {}, centre);
    EXPECT_EQ(asked.count(), 1);
}

// MQTT and the web access each have a field, shown only once there is a state.
TEST_F(StatusBarTest, ShowsTheNetworkStatesOnlyOnceThereAreAny) {
    MyFrm& frm = start(true);
    EXPECT_TRUE(bar().network->isHidden() && bar().web->isHidden());
    frm.setNetworkState(QStringLiteral("MQTT: подключено к 127.0.0.1:1883"));
    frm.setWebState(QStringLiteral("Веб: http://127.0.0.1:8080"));
    EXPECT_FALSE(bar().network->isHidden() || bar().web->isHidden());
    EXPECT_EQ(bar().network->fullText(), QStringLiteral("MQTT: подключено к 127.0.0.1:1883"));
    EXPECT_EQ(bar().web->fullText(), QStringLiteral("Веб: http://127.0.0.1:8080"));
    frm.setNetworkState(QString());
    EXPECT_TRUE(bar().network->isHidden());
    EXPECT_FALSE(bar().web->isHidden());
    frm.setWebState(QString());
    EXPECT_TRUE(bar().web->isHidden());
}

// The inputs' field shows those watched, as wired, and goes with the last.
TEST_F(StatusBarTest, ShowsTheWatchedInputsOnlyWhileAnyIs) {
    start(true);
    port_.sim.setInputs({false, false, true});
    plant_->inputs.want("rules", {true, false, true});
    EXPECT_EQ(bar().inputs->fullText(), QStringLiteral("Входы: 1 ○ 3 ●"));
    port_.sim.setInputs({true, false, true});
    timers_.advance(std::chrono::milliseconds(30));
    EXPECT_EQ(bar().inputs->fullText(), QStringLiteral("Входы: 1 ● 3 ●"));
    plant_->inputs.want("rules", {});
    EXPECT_TRUE(bar().inputs->isHidden());
}

TEST_F(StatusBarTest, AFailedSaveStaysRedUntilThatFileIsSavedAgain) {
    start(true);
    // A directory where Data.dat should be: no save can replace it, root's
    // neither.
    std::filesystem::create_directory(path("Data.dat"));
    doubleClick(5);
    EXPECT_EQ(engine().state(5), 1);
    EXPECT_TRUE(message().startsWith(QStringLiteral("Не удалось сохранить Data.dat: "))) << message().toStdString();
    EXPECT_TRUE(messageIsRed());
    EXPECT_TRUE(bar().message->toolTip().contains(QDir::toNativeSeparators(QString::fromStdString(path("Data.dat")))));

    // A save of the other file takes nothing back.
    frm_->move(frm_->pos() + QPoint(5, 0));
    tickGeometrySaver(*frm_);
    ASSERT_TRUE(exists("config.ini"));
    EXPECT_TRUE(message().startsWith(QStringLiteral("Не удалось сохранить Data.dat: ")));

    // Nor does a failure that repeats; only a complete save of Data.dat does.
    doubleClick(6);
    EXPECT_TRUE(bar().showsFailure());
    std::filesystem::remove(path("Data.dat"));
    doubleClick(7);
    EXPECT_TRUE(exists("Data.dat"));
    EXPECT_FALSE(bar().showsFailure());
    EXPECT_TRUE(message().isEmpty());
}

TEST_F(StatusBarTest, ARefusedLockAndAnUnreadableFileAreShownToo) {
    std::filesystem::create_directory(path("config.ini"));
    start(true);
    runner_->Update_Tmr_Timer();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Не удалось прочитать config.ini: "))) << message().toStdString();
    EXPECT_TRUE(messageIsRed());

    std::filesystem::create_directory(path("Data.dat.lock"));
    actionOf(*frm_, "off_all").trigger();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Не удалось сохранить Data.dat: "))) << message().toStdString();
    std::filesystem::remove(path("Data.dat.lock"));
    actionOf(*frm_, "on_all").trigger();
    // What is left is the older failure, still not taken back.
    EXPECT_TRUE(message().startsWith(QStringLiteral("Не удалось прочитать config.ini: ")));
}

TEST_F(StatusBarTest, AUtf16DataFileIsShownFromTheStart) {
    writeFile("Data.dat", std::string("\xFF\xFE[\0D\0]\0", 8));
    start(true);
    EXPECT_EQ(message(), QStringLiteral("Не удалось прочитать Data.dat: файл в UTF-16; читаются Windows-1251 и UTF-8"));
    EXPECT_TRUE(messageIsRed());
    // Heard before the window was shown, and whole once it is.
    EXPECT_TRUE(QTest::qWaitFor([&] { return failureHasItsRoom(); }, 2000)) << bar().message->text().toStdString();
}

// At the window's default width a failure shows its file name and reason
// whole: the port and the folder give way, with their whole texts as tooltips.
TEST_F(StatusBarTest, AFailureShowsItsFileNameAndReasonWholeAtTheDefaultWidth) {
    MyFrm& frm = start(true);
    frm.setPortName(QStringLiteral("sim"), true);
    frm.setFilesDirectory(QStringLiteral("/home/оператор/.local/share/kavtra"), true);
    const std::pair<std::string_view, const char*> failures[] = {
        {kNotSaved, "cannot create a temporary file: Permission denied"},
        {kNotRead, "файл в UTF-16; читаются Windows-1251 и UTF-8"}};
    for (const auto& [what, reason] : failures) {
        reportProfileFailure(path("config.ini"), what, reason);
        EXPECT_TRUE(QTest::qWaitFor([&] { return failureHasItsRoom(); }, 2000)) << bar().message->text().toStdString();
        EXPECT_TRUE(message().endsWith(QStringLiteral("config.ini: ") + QString::fromUtf8(reason)));
        for (StatusField* other : {bar().port, bar().files}) EXPECT_EQ(other->toolTip(), other->fullText());
        reportProfileSaved(path("config.ini"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar().port->text() == bar().port->fullText(); }, 2000));
    }
}

// A long Rules.ini fault has a line of its own above the fields, so that at
// the window's default width the port, MQTT and web stay whole; a click shows
// every fault in a box.
TEST_F(StatusBarTest, ALongFaultTakesALineOfItsOwnAndTheFieldsStayWhole) {
    MyFrm& frm = start(true);
    frm.setPortName(QStringLiteral("sim"), true);
    frm.setFilesDirectory(QStringLiteral("/home/оператор/.local/share/kavtra"), false);
    frm.setNetworkState(QStringLiteral("MQTT: подключено к 127.0.0.1:1883"));
    frm.setWebState(QStringLiteral("Веб: http://127.0.0.1:8080"));
    const QStringList faults = {
        QStringLiteral("Rules.ini, [Schedule Витрина], From: для восхода и заката нужны Latitude и Longitude в "
                       "[Place]"),
        QStringLiteral("Rules.ini, [Group Теплица], Outputs: «1-3,500»: номер вывода от 1 до 300")};
    bar().setRuleProblems(faults);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar().message->isVisible(); }, 2000));
    EXPECT_TRUE(messageIsRed());
    EXPECT_LT(bar().message->mapTo(&bar(), QPoint(0, bar().message->height())).y(),
              bar().port->mapTo(&bar(), QPoint()).y() + 1);
#ifndef _WIN32
    // Not under Wine: the offscreen platform there has none of Windows' fonts
    // and draws them half as wide again as the Windows program shows them.
    for (StatusField* field : {bar().port, bar().network, bar().web})
        EXPECT_TRUE(QTest::qWaitFor([&] { return field->text() == field->fullText(); }, 2000))
            << field->text().toStdString();
#endif

    QTest::mouseClick(bar().message, Qt::LeftButton);
    auto* box = bar().findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), faults.join('\n'));
    box->close();
}

}  // namespace
}  // namespace kavtra::test
