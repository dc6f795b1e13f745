#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "outputs/shift_board.h"
#include "tests/support/browser.h"
#include "tests/support/contains.h"
#include "tests/support/core_on_board.h"
#include "tests/support/program_copy.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// The milliseconds from now until output n of the tab's page shows `on`.
std::string shownAfter(int n, bool on) {
    return "new Promise((resolve) => { const tile = document.querySelector('.out[data-n=\"" + std::to_string(n) +
           "\"]'); const start = performance.now(); const shown = () => tile.classList.contains('on') === " +
           (on ? "true" : "false") +
           " && (resolve(performance.now() - start), true); if (!shown()) new MutationObserver(shown).observe(tile, "
           "{attributes: true}); })";
}

// The real program without a window, its page open in a headless Chromium
// twice (a phone and a desktop): the token asked for once, a tap latched,
// saved, logged and shown on the other tab, a command shown on the phone.
TEST(ProgramWeb, APhoneTapIsLatchedSavedAndShownOnTheDesktopAndACommandOnThePhone) {
    if (!Browser::available()) GTEST_SKIP() << "no chromium: scripts/deps.sh installs it with the test packages";
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const std::string site = "127.0.0.1:" + std::to_string(probe.serverPort());
    probe.close();
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=2\r\n[Web]\r\nListen=" + site + "\r\n");
    copy.write("Rules.ini", rulesFileText("[Group Двор]\nOutputs=3-4\n[Group Теплица]\nOutputs=8,10\n"
                                          "[Scene Вечер]\nOn=3\n[Scene Ночь]\nOff=3-4\n[Limits]\n10=45m\n"));
    const ProgramCopy::Run token = copy.run({"--add-token", "phone", "switch"});
    ASSERT_EQ(token.status, 0);
    const std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    for (const char* name : {"1=Насос скважины", "2=Свет в прихожей", "3=Фонари у ворот", "4=Подсветка дорожки",
                             "8=Полив теплицы", "10=Обогрев теплицы", "11=Бойлер"})
        EXPECT_EQ(copy.run({"--rename", name}).status, 0);
    EXPECT_EQ(copy.run({"--set", "1=on", "10=on"}).status, 0);

    Browser browser(dir.path / "chromium");
    const std::string phone = browser.open(390, 844, true), desktop = browser.open(1280, 800, false);
    const std::string ready =
        "document.querySelectorAll('.out').length === 300 && !document.getElementById('page')"
        ".hidden && document.getElementById('link').textContent === 'на связи' && "
        "getComputedStyle(document.querySelector('.out')).display === 'grid'";
    browser.call("Page.navigate", {{"url", QString::fromStdString("http://" + site + "/")}}, phone);
    ASSERT_TRUE(browser.waitFor(phone, "!document.getElementById('login').hidden"));
    browser.evaluate(phone, "document.getElementById('token').value = '" + token.out.substr(0, 64) +
                                "'; document.getElementById('login').requestSubmit()");
    ASSERT_TRUE(browser.waitFor(phone, ready));
    // The token stays in the browser: the second tab asks for none.
    browser.call("Page.navigate", {{"url", QString::fromStdString("http://" + site + "/")}}, desktop);
    ASSERT_TRUE(browser.waitFor(desktop, ready));
    EXPECT_TRUE(browser.evaluate(desktop, "document.getElementById('login').hidden").toBool());

    const int onDesktop = browser.sendScript(desktop, shownAfter(5, true));
    browser.click(phone, ".out[data-n=\"5\"]");
    const double tapShown = Browser::value(browser.reply(onDesktop)).toDouble(-1);
    const int onPhone = browser.sendScript(phone, shownAfter(9, true));
    EXPECT_EQ(copy.run({"--set", "9=on"}).status, 0);
    const double commandShown = Browser::value(browser.reply(onPhone)).toDouble(-1);
    std::printf("shown on the other tab %.0f ms after the tap, on the phone %.0f ms after the command started\n",
                tapShown, commandShown);
    EXPECT_GE(tapShown, 0);
    EXPECT_GE(commandShown, 0);
    EXPECT_TRUE(browser
                    .evaluate(phone,
                              "/^осталось (44:[0-5]\\d|45:00)$/.test(document.querySelector("
                              "'.out[data-n=\"10\"] .left').textContent)")
                    .toBool());
    EXPECT_EQ(browser
                  .evaluate(desktop,
                            "document.getElementById('groups').textContent + '|' + "
                            "document.getElementById('scenes').textContent")
                  .toString(),
              "ДворвклвыклТеплицавклвыкл|ВечерНочь");

    const QByteArray png = QByteArray::fromBase64(
        browser.call("Page.captureScreenshot", {{"format", "png"}}, phone)["data"].toString().toLatin1());
    EXPECT_TRUE(png.startsWith("\x89PNG"));
    QFile shot(qEnvironmentVariable("KAVTRA_WEB_SHOT", QString::fromStdString((dir.path / "web-phone.png").string())));
    EXPECT_TRUE(shot.open(QIODevice::WriteOnly) && shot.write(png) == png.size());

    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGTERM), 0);
    ASSERT_TRUE(running->waitForFinished(20000));
    ShiftBoard board;
    for (const PortAccess& access : copy.trace()) board.onAccess(access);
    for (int output : {1, 5, 9, 10}) EXPECT_EQ(board.outputLevel(output), 1) << output;
    EXPECT_EQ(board.outputLevel(6), 0);
    EXPECT_TRUE(contains(copy.file("Data.dat"), "[Devais_5]\r\nValue=0\r\n"));
    EXPECT_TRUE(contains(copy.run({"--log", "2"}).out, "\tweb:phone\t5=on\n"));
}

}  // namespace
}  // namespace kavtra::test
