#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>

#include "app/program_web.h"
#include "outputs/shift_board.h"
#include "tests/support/browser.h"
#include "tests/support/contains.h"
#include "tests/support/core_on_board.h"
#include "tests/support/program_copy.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/web_on_board.h"

namespace kavtra::test {
namespace {

// What the test asks of the page: a tile, the ms until it shows on (looked at every 2 ms), a box's middle.
constexpr const char* kHelpers = R"(window.tile = (n) => document.querySelector(`.out[data-n="${n}"]`);
window.shown = (n, start = performance.now()) => new Promise((done) => (function look() {
  tile(n).classList.contains('on') ? done(performance.now() - start) : setTimeout(look, 2); })());
window.middle = (r) => ({x: r.x + r.width / 2, y: r.y + r.height / 2});)";

// 127.0.0.1 and a port that is free now.
QString freeSite() {
    QTcpServer probe;
    return "127.0.0.1:" + QString::number(probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0);
}

// The real program, its page on a phone-sized tab of a headless Chromium: the token asked for and kept, a tap
// latched, saved and logged, a command shown. A tile turns on only when the event stream says so.
TEST(ProgramWeb, ATapIsLatchedSavedAndLoggedAndACommandIsShownOnThePage) {
    if (::access("/usr/bin/chromium", X_OK) != 0) GTEST_SKIP() << "no chromium (one of the test packages)";
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    const QString site = freeSite();
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=2\r\n[Web]\r\nListen=" + site.toStdString());
    copy.write("Rules.ini",
               rulesFileText("[Group Двор]\nOutputs=3-4\n[Scene Вечер]\nOn=3\n[Scene Ночь]\nOn=4\n[Limits]\n10=45m"));
    const std::string token = copy.run({"--add-token", "phone", "switch"}).out.substr(0, 64);
    const std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    for (const char* name : {"1=Насос скважины", "10=Обогрев теплицы"}) copy.run({"--rename", name});
    copy.run({"--set", "1=on", "10=on"});

    Browser browser((dir.path / "chromium").string(), 360, 800);
    browser.call("Page.navigate", {{"url", "http://" + site + "/"}});
    ASSERT_TRUE(browser.waitFor("!document.getElementById('login').hidden"));
    browser.evaluate("document.getElementById('token').value = '" + token + "'; login.requestSubmit()");
    ASSERT_TRUE(
        browser.waitFor("link.textContent + groups.textContent + scenes.textContent === 'на связиДвор0/2вклвыкл"
                        "ВечерНочь' && localStorage.length === 1 && getComputedStyle(document"
                        ".querySelector('.out')).display === 'grid' && /^осталось 4[45]:/.test(document."
                        "querySelector('.out[data-n=\"10\"] .left').textContent)"));
    browser.evaluate(kHelpers);
    int shown = browser.script("shown(5)");
    const QJsonObject at = browser.evaluate("middle(tile(5).getBoundingClientRect())").toObject();
    for (const char* type : {"mousePressed", "mouseReleased"})
        browser.call("Input.dispatchMouseEvent",
                     {{"type", type}, {"x", at["x"]}, {"y", at["y"]}, {"button", "left"}, {"clickCount", 1}});
    const double tapShown = browser.value(shown).toDouble(-1);
    shown = browser.script("shown(9)");
    copy.run({"--set", "9=on"});
    const double commandShown = browser.value(shown).toDouble(-1);
    std::printf("shown %.0f ms after the tap began, %.0f ms after the command began\n", tapShown, commandShown);
    EXPECT_TRUE(tapShown >= 0 && commandShown >= 0);
    EXPECT_TRUE(browser.waitFor("document.getElementById('log').textContent.includes('веб, токен «phone»: вкл. 5')"));
    // A group shows how many of its outputs are on.
    copy.run({"--set", "3=on"});
    EXPECT_TRUE(
        browser.waitFor("groups.firstChild.className === 'group some' && groups.textContent === "
                        "'Двор1/2вклвыкл'"));
    // A newest line of a hundred outputs does not widen the page sideways.
    QStringList odd;
    for (int n = 101; n < 300; n += 2) odd.append(QString::number(n) + "=on");
    copy.run(QStringList{"--set"} + odd);
    EXPECT_TRUE(
        browser.waitFor("document.getElementById('log-last').textContent.includes(',299') && "
                        "document.documentElement.scrollWidth <= innerWidth"));

    const QByteArray png = QByteArray::fromBase64(
        browser.call("Page.captureScreenshot", {{"format", "png"}})["data"].toString().toLatin1());
    QFile shot(qEnvironmentVariable("KAVTRA_WEB_SHOT", QString::fromStdString((dir.path / "web-phone.png").string())));
    EXPECT_TRUE(png.startsWith("\x89PNG") && shot.open(QIODevice::WriteOnly) && shot.write(png) == png.size());

    // A code scanned from "Телефон" brings its token in the fragment: kept, and taken off the address.
    const std::string scanned = copy.run({"--add-token", "scanned", "read"}).out.substr(0, 64);
    browser.evaluate("localStorage.clear()");
    browser.call("Page.navigate", {{"url", "about:blank"}});
    browser.call("Page.navigate", {{"url", "http://" + site + "/#token=" + QString::fromStdString(scanned)}});
    EXPECT_TRUE(
        browser.waitFor("document.getElementById('link').textContent === 'на связи' && location.href === "
                        "'http://" +
                        site.toStdString() + "/' && localStorage.getItem('kavtra-token') === '" + scanned +
                        "' && document.documentElement.scrollWidth <= innerWidth"));

    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGTERM), 0);
    ASSERT_TRUE(running->waitForFinished(20000));
    ShiftBoard board;
    for (const PortAccess& access : copy.trace()) board.onAccess(access);
    EXPECT_EQ(std::vector({board.outputLevel(3), board.outputLevel(4), board.outputLevel(5), board.outputLevel(9)}),
              std::vector({1, 0, 1, 1}));
    EXPECT_TRUE(contains(copy.file("Data.dat"), "[Devais_5]\r\nValue=0\r\n"));
    EXPECT_TRUE(contains(copy.run({"--log", "4"}).out, "\tweb:phone\t5=on\n"));
}

// --add-token and --remove-token hold in the running copy before they
// return: once a token exists, a request without one is refused, and a
// removed token at once.
TEST(ProgramWeb, TokensAddedAndRemovedHoldInTheRunningCopyBeforeTheCommandReturns) {
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    const QString site = freeSite();
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\n[Web]\r\nListen=" + site.toStdString());
    const std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    const auto status = [&](const std::string& token) {
        QTcpSocket client;
        client.connectToHost("127.0.0.1", site.section(':', 1).toUShort());
        client.write(("GET /api/outputs/1 HTTP/1.1\r\nHost: " + site.toStdString() + "\r\nAuthorization: Bearer " +
                      token + "\r\nConnection: close\r\n\r\n")
                         .c_str());
        return ServerOnBoard::readUntilClosed(client).substr(9, 3);
    };
    EXPECT_EQ(status("none"), "200");
    const std::string phone = copy.run({"--add-token", "phone", "read"}).out.substr(0, 64);
    EXPECT_EQ(status("none"), "401");
    const std::string panel = copy.run({"--add-token", "panel", "read"}).out.substr(0, 64);
    EXPECT_EQ(copy.run({"--remove-token", "phone"}).status, 0);
    EXPECT_EQ(status(phone) + status(panel), "401200");
}

// The page has tiles for the outputs Home Assistant gets, and follows a rename into them.
TEST(ProgramWeb, ThePageShowsTheOutputsOfTheMqttChoice) {
    if (::access("/usr/bin/chromium", X_OK) != 0) GTEST_SKIP() << "no chromium (one of the test packages)";
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    const QString site = freeSite();
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=2\r\n[MQTT]\r\nOutputs=named\r\n[Web]\r\nListen=" +
                                 site.toStdString());
    const std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    copy.run({"--rename", "7=Насос"});
    Browser browser((dir.path / "chromium").string(), 390, 844);
    browser.call("Page.navigate", {{"url", "http://" + site + "/"}});
    const std::string visible =
        "[...document.querySelectorAll('.out')].filter((t) => !t.hidden).map((t) => t.dataset.n)";
    EXPECT_TRUE(browser.waitFor(visible + ".join() === '7' && count.textContent === 'включено 0 из 1'"));
    copy.run({"--rename", "2=Свет"});
    EXPECT_TRUE(browser.waitFor(visible + ".join() === '2,7'"));
    // A token scoped to 2-3 gets no tile, count or group beyond its outputs.
    copy.write("Rules.ini", rulesFileText("[Group Двор]\nOutputs=2-3\n[Group Сад]\nOutputs=3-7\n"));
    const std::string scoped = copy.run({"--add-token", "yard", "read", "2-3"}).out.substr(0, 64);
    browser.call("Page.navigate", {{"url", "about:blank"}});
    browser.call("Page.navigate", {{"url", "http://" + site + "/#token=" + QString::fromStdString(scoped)}});
    EXPECT_TRUE(browser.waitFor("document.querySelectorAll('.out').length === 2 && " + visible +
                                ".join() === '2' && count.textContent === 'включено 0 из 1' && "
                                "groups.textContent.startsWith('Двор') && !groups.textContent.includes('Сад')"));
    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGTERM), 0);
    ASSERT_TRUE(running->waitForFinished(20000));
}

// What "Веб-доступ" writes, the running program follows: a new address
// serves at once, the same one is left alone, a faulty one or none ends it.
TEST(ProgramWeb, FollowsListenAsTheWindowsDialogWritesIt) {
    ScratchDir dir;
    const ScopedEnv simulated("KAVTRA_PORT", "sim");
    Program program(dir.path.string(), [](const PortFailure&) { ADD_FAILURE() << "the port failed"; });
    ProgramWeb web(program);
    QSignalSpy said(&web, &ProgramWeb::statusChanged);
    const std::string site = freeSite().toStdString();
    QTcpServer squatter;  // holds a port until a case frees it
    squatter.listen(QHostAddress::LocalHost);
    const std::string taken = "127.0.0.1:" + std::to_string(squatter.serverPort());
    const struct {
        std::string listen;
        std::string status;  // its start
        int said;            // statusChanged so far
        bool freed = false;  // the squatter gone first
    } cases[] = {
        {site, "Веб: http://" + site, 1},
        {" " + site + " ", "Веб: http://" + site, 1},
        {taken, "веб-доступ не запущен: не удалось слушать " + taken, 2},
        {taken, "Веб: http://" + taken, 3, true},  // the same setting tries again
        {"garden", "веб-доступ выключен: ключ Listen в разделе [Web]", 4},
        {"", "", 5},
        {site, "Веб: http://" + site, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listen);
        if (c.freed) squatter.close();
        program.plant.settings.writeWebListen(c.listen);
        web.followConfig();
        EXPECT_TRUE(web.status().toStdString().starts_with(c.status)) << web.status().toStdString();
        EXPECT_EQ(said.count(), c.said);
    }
    const quint16 port = web.status().section(':', -1).toUShort();
    QTcpSocket client;
    client.connectToHost("127.0.0.1", port);
    client.write(
        ("GET /api/outputs/1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n")
            .c_str());
    EXPECT_EQ(ServerOnBoard::readUntilClosed(client).substr(0, 12), "HTTP/1.1 200");
}

}  // namespace
}  // namespace kavtra::test
