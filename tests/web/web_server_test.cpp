#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#ifndef _WIN32
#include "tests/support/other_user.h"
#endif

#include "engine/change_record.h"
#include "tests/support/contains.h"
#include "tests/support/file_bytes.h"
#include "tests/support/web_on_board.h"
#include "web/access.h"
#include "web/token_file.h"

namespace kavtra::web {
namespace {

using test::ServerOnBoard;

TEST(WebServer, SetsOutputsInOneTransferSavedAndLoggedAsTheWebsAndReadsThemBack) {
    ServerOnBoard board;
    board.startWith({{5, 1}, {7, 1}});
    const auto before = board.transfers();
    EXPECT_EQ(board.statusAndBody(board.call("POST", "/api/set", {}, R"({"5": "on", "7": "on"})")),
              "200 {\"ok\":true}");
    EXPECT_EQ(board.transfers() - before, 1u);
    EXPECT_EQ(board.latchedOnOf({5, 7}), (std::vector<int>{5, 7}));
    EXPECT_EQ(board.saved(5) + board.saved(7), "00");
    EXPECT_TRUE(test::contains(lastLogLines(board.log.path(), 1).front(), "\tweb\t5,7=on"));
    EXPECT_EQ(board.statusAndBody(board.call("GET", "/api/outputs/5")),
              "200 {\"number\":5,\"name\":\"Вывод 5\",\"state\":\"on\"}");
    EXPECT_EQ(board.statusAndBody(board.call("POST", "/api/set", {}, R"({"301": "on"})")).substr(0, 4), "400 ");
    EXPECT_EQ(board.statusAndBody(board.call("GET", "/api/outputs/0")).substr(0, 4), "404 ");
    EXPECT_EQ(board.statusAndBody(board.call("POST", "/api/set", {}, "{\"5\": ")).substr(0, 4), "400 ");
    EXPECT_EQ(board.transfers() - before, 1u);
}

TEST(WebServer, AnswersEachRouteAndSwitchesOnlyThroughTheCore) {
    ServerOnBoard board;
    board.useRules(
        "[Group Двор]\nOutputs=3-4\n[Scene Вечер]\nOn=3\nOff=9\n[Input 5]\nName=Дверь\n"
        "[Sequence S]\nSteps=set 9=on for 1h; set 9=off\n[Rule R]\nWhen=input 5 on\nDo=set 4=on\n[Power]\n9=1.5kW\n");
    board.run(AllCommand{false});
    board.port.sim.setStatus(LPT::StatusOf({true, false, false, false, true}));
    const auto before = board.transfers();
    const struct {
        const char *method, *path, *body, *expected;
        std::vector<int> on;  // of 3, 4 and 9, after it
    } cases[] = {
        {"POST", "/api/toggle/9", "", "200 {\"ok\":true}", {9}},
        {"POST", "/api/scene/%D0%92%D0%B5%D1%87%D0%B5%D1%80", "", "200 {\"ok\":true}", {3}},
        {"POST", "/api/group/%D0%94%D0%B2%D0%BE%D1%80", R"({"state": "toggle"})", "200 {\"ok\":true}", {3, 4}},
        {"POST", "/api/group/%D0%94%D0%B2%D0%BE%D1%80", R"({"state": "off"})", "200 {\"ok\":true}", {}},
        {"GET",
         "/api/stats/9",
         "",
         R"(200 {"number":9,"switches":3,"total":0,"today":0,"yesterday":0,"power":1500,"kwh":0})",
         {}},
        {"GET", "/api/stats/301", "", "404 {\"error\":\"«301»: номер вывода должен быть числом от 1 до 300\"}", {}},
        {"POST", "/api/scene/Day", "", "404 {\"error\":\"нет сцены «Day»\"}", {}},
        {"POST", "/api/sequence/S/start", "", "200 {\"ok\":true}", {9}},
        {"GET",
         "/api/sequences",
         "",
         R"(200 [{"name":"S","state":"running","step":1,"steps":2,"round":1,"rounds":1,"left":3600}])",
         {9}},
        {"POST", "/api/sequence/S/stop", "", "200 {\"ok\":true}", {9}},
        {"POST", "/api/sequence/S/stop", "", "400 {\"error\":\"последовательность «S» не идёт\"}", {9}},
        {"POST", "/api/sequence/Day/start", "", "404 {\"error\":\"нет последовательности «Day»\"}", {9}},
        {"POST", "/api/sequence/S/jump", "", "404 {\"error\":\"нужно /api/sequence/ИМЯ/start, /pause или /stop", {9}},
        {"POST", "/api/toggle/9", "", "200 {\"ok\":true}", {}},
        {"POST", "/api/group/%D0%94%D0%B2%D0%BE%D1%80", R"({"on": "1"})", "400 {\"error\":\"нужно {", {}},
        {"GET", "/api/toggle/9", "", "405 {\"error\":\"здесь нужен метод POST\"}", {}},
        {"POST", "/api/toggle/301", "", "404 ", {}},
        {"GET", "/api/log?n=0", "", "400 {\"error\":\"n: нужно число строк от 1 до 1000", {}},
        {"POST", "/api/rule/R/off", "", "200 {\"ok\":true}", {}},
        {"POST", "/api/rule/Q/on", "", "404 {\"error\":\"нет правила «Q»\"}", {}},
        {"POST", "/api/rule/R/maybe", "", "404 {\"error\":\"нужно /api/rule/ИМЯ/on или /off", {}},
        {"GET",
         "/api/rules",
         "",
         R"(200 {"groups":[{"name":"Двор","outputs":[3,4]}],"scenes":["Вечер"],"rules":[{"name":"R","enabled":false}]})",
         {}},
        {"GET",
         "/api/inputs",
         "",
         R"(200 [{"number":1,"name":"Вход 1","state":"on"},{"number":2,"name":"Вход 2","state":"off"},)"
         R"({"number":3,"name":"Вход 3","state":"off"},{"number":4,"name":"Вход 4","state":"off"},)"
         R"({"number":5,"name":"Дверь","state":"on"}])",
         {}},
        {"GET", "/nowhere", "", "404 {\"error\":\"нет такого адреса: «/nowhere»\"}", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        const std::string answer = board.statusAndBody(board.call(c.method, c.path, {}, c.body));
        EXPECT_TRUE(answer.starts_with(c.expected)) << answer;
        EXPECT_EQ(board.latchedOnOf({3, 4, 9}), c.on);
    }
    EXPECT_EQ(board.transfers() - before, 6u);
    const std::string log = board.statusAndBody(board.call("GET", "/api/log?n=8"));
    EXPECT_TRUE(log.starts_with("200 [{\"time\":\"") &&
                test::contains(log, R"("source":"web","label":"веб","text":"вкл. 9","on":[9],"off":[]})"))
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 0);
    const std::string all = board.call("GET", "/api/outputs");
    EXPECT_TRUE(test::contains(all, "[{\"number\":1,") &&
                test::contains(all, "{\"number\":300,\"name\":\"Вывод 300\"") && all.ends_with("}]"));
}

TEST(WebServer, RefusesWrongTokensOtherSitesBigBodiesAndSlowClientsAndNothingChanges) {
    ServerOnBoard board;
    board.startWith({{5, 1}});
    const std::string readSecret = "secret-of-reader";
    const std::string switchSecret = "secret-of-switcher";
    board.useRules("[Token reader]\nRole=read\nHash=" + tokenHash(readSecret) +
                   "\n[Token phone]\nRole=switch\nHash=" + tokenHash(switchSecret) + "\n");
    const auto bearer = ServerOnBoard::bearer;
    const std::string set = R"({"5": "on"})";
    const auto before = board.transfers();
    const struct {
        std::string response;
        const char* expected;
    } cases[] = {
        {board.call("POST", "/api/set", {}, set), "401"},
        {board.call("POST", "/api/set", bearer("guess"), set), "401"},
        {board.call("POST", "/api/set", bearer(readSecret), set), "403"},
        {board.call("GET", "/api/outputs/5", bearer(readSecret)), "200"},
        {board.call("GET", "/api/rules", bearer(readSecret)), "200"},
        {board.call("GET", "/"), "200"},  // the page holds no data: no token
        {board.call("POST", "/"), "405"},
        {board.call("GET", "/api/outputs/5", bearer(switchSecret) + "Origin: http://evil.example\r\n"), "403"},
        {board.exchange("GET /api/outputs/5 HTTP/1.1\r\nHost: " + board.address("evil.example") + "\r\n" +
                        bearer(switchSecret) + "\r\n"),
         "403"},
        {board.exchange("GET /api/outputs/5 HTTP/1.1\r\nHost: " + board.address("Kavtra-PC.local") +
                        "\r\nConnection: close\r\n" + bearer(switchSecret) + "Origin: http://" +
                        board.address("kavtra-pc") + "\r\n\r\n"),
         "200"},
        {board.exchange("GET /api/outputs/5 HTTP/1.1\r\nHost: " + board.address("kavtra-pc.local.evil.example") +
                        "\r\n" + bearer(switchSecret) + "\r\n"),
         "403"},
        {board.call("POST", "/api/set", bearer(switchSecret), std::string(101, ' ')), "413"},
        {board.call("POST", "/api/set", bearer(switchSecret) + "Host: rebind.evil\r\n", set), "400"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.response.substr(9, 3), c.expected) << c.response;
    for (const char* header : {"\r\nContent-Type: text/html; charset=utf-8\r\n", "\r\nX-Frame-Options: DENY\r\n",
                               "\r\nContent-Security-Policy: default-src 'self'; script-src 'sha256-"})
        EXPECT_TRUE(test::contains(cases[5].response, header)) << header;
    EXPECT_EQ(board.transfers(), before);
    EXPECT_FALSE(board.latchedOn(5));
    EXPECT_TRUE(test::contains(lastLogLines(board.log.path(), 1).front(), "\tweb\tневерный токен с адреса 127.0.0.1"));

    // A client that never ends its request is answered 408 and closed.
    const auto slow = board.connectClient();
    slow->write("GET /api/outputs HTTP/1.1\r\nHost: ");
    EXPECT_EQ(board.readUntilClosed(*slow).substr(9, 3), "408");

    // From the fifth wrong token within a minute, that address's wrong tokens
    // get 429; a right one still passes.
    for (int i = 0; i < 4; ++i) board.call("GET", "/api/outputs/5", bearer("guess"));
    EXPECT_EQ(board.call("GET", "/api/outputs/5", bearer("guess")).substr(9, 3), "429");
    EXPECT_EQ(board.call("GET", "/api/outputs/5", bearer(switchSecret)).substr(9, 3), "200");
}

// A switch that waits for an interlock's dead time is answered once its
// output is latched, or 409 when a later request ends the wait; a client
// gone meanwhile is no one's concern.
TEST(WebServer, AnswersASwitchOnceItIsLatched) {
    ServerOnBoard board;
    board.useRules("[Interlock Мотор]\nOutputs=1,2\nDeadTime=500\n");
    const struct {
        std::optional<Command> later;
        bool gone;
        const char* answer;  // its start
    } cases[] = {{std::nullopt, false, "200 {\"ok\":true}"},
                 {SetCommand{{{1, Switch::On}}}, false, "409 {\"error\":\""},
                 {std::nullopt, true, ""}};
    for (const auto& c : cases) {
        board.engine.set({{1, true}, {2, false}}, Source::Window);
        board.advance(std::chrono::milliseconds(1000));
        const auto client = board.connectClient();
        client->write(("POST /api/set HTTP/1.1\r\nHost: " + board.address() +
                       "\r\nConnection: close\r\nContent-Length: 11\r\n\r\n{\"2\": \"on\"}")
                          .c_str());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !board.latchedOn(1); }, 3000));
        // Any answer given at once would be here by the end of another exchange.
        EXPECT_TRUE(test::contains(board.call("GET", "/api/outputs/2"), "\"state\":\"off\""));
        EXPECT_EQ(client->readAll().toStdString(), "");
        if (c.gone) client->abort();
        if (c.later) board.run(*c.later);
        board.advance(std::chrono::milliseconds(500));
        const std::string answer = c.gone ? "" : board.statusAndBody(board.readUntilClosed(*client));
        EXPECT_TRUE(answer.starts_with(c.answer)) << answer;
        EXPECT_EQ(board.latchedOn(2), !c.later);
    }
}

// A client that sends requests and never reads its answers is read no
// further while they wait: what the server holds for it stays within the bound.
TEST(WebServer, ReadsNoFurtherFromAClientWhoseAnswersPileUpUnread) {
    ServerOnBoard board;
    const auto answer = static_cast<qint64>(board.call("GET", "/").size());
    std::string requests;
    for (int i = 0; i < 2000; ++i) requests += "GET / HTTP/1.1\r\nHost: " + board.address() + "\r\n\r\n";
    const auto greedy = board.connectClient();
    greedy->setReadBufferSize(1024);  // and never read: the system's buffers fill
    greedy->write(requests.data(), static_cast<qint64>(requests.size()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return board.server->connections() == 1; }, 3000));
    qint64 most = 0;  // until, held back, it is cut as a request not whole in time
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return (most = std::max(most, board.server->unsentBytes())), !board.server->connections(); }, 20000));
    EXPECT_LE(most, ServerOnBoard::shortLimits().unsentAnswers + answer);
}

// One page opened 64 times keeps only its newest streams; then with every
// connection held by a client that never finishes a request, the oldest
// makes room (503). A stream ends once its right to read is gone.
TEST(WebServer, SlowClientsAndStreamsShutNobodyOutAndStreamsEndWithTheirRight) {
    const web::ServerLimits limits;
    ServerOnBoard board(limits);
    std::vector<std::unique_ptr<QTcpSocket>> slow, pages;
    const auto open = [&](const std::string& secret) {
        pages.push_back(board.connectClient());
        pages.back()->write(("GET /api/events HTTP/1.1\r\nHost: " + board.address() + "\r\nAuthorization: Bearer " +
                             secret + "\r\n\r\n")
                                .c_str());
    };
    const auto ended = [&] {
        return std::count_if(pages.begin(), pages.end(),
                             [](const auto& page) { return page->state() == QAbstractSocket::UnconnectedState; });
    };
    for (int i = 0; i < 64; ++i) open("none");  // no token needed yet
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended() == 64 - limits.streamShare; }, 10000)) << ended();
    for (int i = 0; i < limits.connections; ++i) slow.push_back(board.connectClient());
    for (const auto& client : slow) client->write("G");
    ASSERT_TRUE(QTest::qWaitFor([&] { return board.server->connections() == limits.streamShare + 64; }, 10000));
    EXPECT_EQ(board.call("GET", "/api/outputs/1").substr(9, 3), "200");
    EXPECT_EQ(ServerOnBoard::readUntilClosed(*slow.front()).substr(9, 3), "503");
    EXPECT_EQ(slow.back()->state(), QAbstractSocket::ConnectedState);

    const std::string phone = "[Token phone]\nRole=read\nHash=" + tokenHash("phone") + "\n";
    board.useRules(phone + "[Token gone]\nRole=read\nHash=" + tokenHash("gone") + "\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended() == 64; }, 3000));
    for (const char* secret : {"phone", "gone"}) open(secret);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return pages[64]->peek(12) == "HTTP/1.1 200" && pages[65]->bytesAvailable(); }, 3000));
    board.useRules(phone);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended() == 65; }, 3000));
    EXPECT_EQ(pages[64]->state(), QAbstractSocket::ConnectedState);
}

TEST(WebServer, StreamsEveryStepOfTheCoreAndEveryInputEdgeAsOneEvent) {
    ServerOnBoard board;
    const auto stream = board.connectClient();
    stream->write(("GET /api/events HTTP/1.1\r\nHost: " + board.address() + "\r\n\r\n").c_str());
    std::string got;
    const auto waitFor = [&](const std::string& text) {
        return QTest::qWaitFor(
            [&] {
                got += stream->readAll().toStdString();
                return got.find(text) != std::string::npos;
            },
            3000);
    };
    ASSERT_TRUE(waitFor("\r\n\r\n:\n\n"));
    board.run(AllCommand{false}, Source::scene("Ночь"));
    ASSERT_TRUE(
        waitFor("\n\n"
                "event: change"));
    ASSERT_TRUE(waitFor("}]}\n\n"));
    const std::string event = got.substr(got.find("event: change"));
    EXPECT_TRUE(test::contains(event, "data: {\"source\":\"scene:Ночь\",\"outputs\":[{\"number\":1,"));
    EXPECT_TRUE(test::contains(event, "{\"number\":300,\"name\":\"Вывод 300\",\"state\":\"off\"}]}\n\n"));
    EXPECT_EQ(event.find("event:", 1), std::string::npos);
    board.useRules("[Sequence S]\nSteps=set 1=on for 2s\n");
    board.run(PauseCommand{"S"});
    board.run(StartCommand{"S"});
    EXPECT_TRUE(
        waitFor("event: sequence\ndata: {\"name\":\"S\",\"state\":\"running\",\"step\":1,\"steps\":1,"
                "\"round\":1,\"rounds\":1,\"left\":2}\n\n"))
        << got;
    board.useRules("[Input 3]\nName=Дверь\nDebounce=0\n");
    board.plant.inputs.want("rules", {false, false, true});
    board.port.sim.setInputs({false, false, true});
    board.advance(std::chrono::milliseconds(10));
    EXPECT_TRUE(waitFor("event: inputs\ndata: {\"inputs\":[{\"number\":3,\"name\":\"Дверь\",\"state\":\"on\"}]}\n\n"));
}

// A token scoped to 1-20 reads and hears only those outputs, and a request
// that would touch 21 (itself, a scene or group reaching it, a sequence or
// rule switching it) is refused whole and logged under the token's name.
TEST(WebServer, AScopedTokenReadsHearsAndSwitchesOnlyWithinItsScope) {
    ServerOnBoard board;
    board.run(AllCommand{false});
    board.useRules(
        "[Group Двор]\nOutputs=20-21\n[Scene Вечер]\nOn=5\nOff=21\n[Sequence S]\nSteps=set 5=on; "
        "scene Вечер\n[Rule R]\nWhen=input 1 on\nDo=set 6=on\n[Token phone]\nRole=switch\nHash=" +
        tokenHash("s") + "\nScope=1-20\n");
    const std::string token = ServerOnBoard::bearer("s");
    const auto stream = board.connectClient();
    stream->write(("GET /api/events HTTP/1.1\r\nHost: " + board.address() + "\r\n" + token + "\r\n").c_str());
    const auto before = board.transfers();
    const char* const refused = "403 {\"error\":\"вне области этого токена: вывод 21; ничего не переключено\"}";
    const struct {
        const char *method, *path, *body, *expected;
    } cases[] = {
        {"POST", "/api/set", R"({"5": "on", "21": "on"})", refused},
        {"POST", "/api/toggle/21", "", refused},
        {"POST", "/api/scene/%D0%92%D0%B5%D1%87%D0%B5%D1%80", "", refused},
        {"POST", "/api/group/%D0%94%D0%B2%D0%BE%D1%80", R"({"state": "on"})", refused},
        {"POST", "/api/sequence/S/start", "", refused},
        {"GET", "/api/outputs/21", "", "403 {\"error\":\"вне области этого токена: вывод 21\"}"},
        {"GET", "/api/stats/21", "", "403 {\"error\":\"вне области этого токена: вывод 21\"}"},
        {"GET", "/api/rules", "", R"(200 {"groups":[],"scenes":[],"rules":[{"name":"R","enabled":true}]})"},
        {"GET", "/api/sequences", "", "200 []"},
        {"GET", "/api/inputs", "", "200 []"},
        {"POST", "/api/set", R"({"5": "on"})", "200 {\"ok\":true}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        EXPECT_EQ(board.statusAndBody(board.call(c.method, c.path, token, c.body)), c.expected);
    }
    EXPECT_EQ(board.transfers() - before, 1u);
    EXPECT_EQ(board.latchedOnOf({5, 20, 21}), std::vector<int>{5});
    board.run(SetCommand{{{21, Switch::On}}});
    board.run(SetCommand{{{20, Switch::On}, {21, Switch::Off}}});
    std::string heard;
    EXPECT_TRUE(QTest::qWaitFor([&] { return test::contains(heard += stream->readAll().toStdString(), "20,"); }, 3000));
    EXPECT_EQ(std::count(heard.begin(), heard.end(), '{'), 4) << heard;  // 5, then 20: two events, one output each
    EXPECT_FALSE(test::contains(heard, "\"number\":21"));
    for (const char* listing : {"/api/outputs", "/api/stats"}) {
        const std::string outputs = board.statusAndBody(board.call("GET", listing, token));
        EXPECT_TRUE(test::contains(outputs, "{\"number\":20,") && !test::contains(outputs, "{\"number\":21,"))
            << outputs;
    }
    const std::string log = board.statusAndBody(board.call("GET", "/api/log?n=100", token));
    EXPECT_TRUE(test::contains(log,
                               "\"source\":\"web:phone\",\"label\":\"веб, токен «phone»\",\"text\":\"отказано, "
                               "вне области токена: вывод 21\"") &&
                test::contains(log, "\"on\":[5]") && !test::contains(log, "21=on") && !test::contains(log, "[21]"))
        << log;
}

// Where the server may start: beyond loopback only once a token exists (made
// and ended as --add-token and --remove-token do), with TLS only from
// readable PEM files.
TEST(WebServer, StartsBeyondLoopbackOnlyWithATokenAndWithTlsOnlyFromPemFiles) {
    test::CoreOnBoard board;
    ChangeLog log{changeLogPath(board.dir.path.string())};
    const std::string rulesBefore = test::rulesFileText("[Group Двор]\nOutputs=3-4\n");
    test::writeBytes(board.rules.path(), rulesBefore);
    const NewToken token = addToken(board.rules.path(), "phone", AccessToken::Role::Switch);
    ASSERT_EQ(token.error + std::to_string(token.secret.size()), "64");
    EXPECT_EQ(addToken(board.rules.path(), "PHONE", AccessToken::Role::Read).error,
              "токен «PHONE» уже есть; сначала --remove-token");
    const std::string pem = (board.dir.path / "a.pem").string();
    test::writeBytes(pem, "-----BEGIN CERTIFICATE-----\nnot one\n-----END CERTIFICATE-----\n");
    const struct {
        const char* host;
        bool token;
        std::string certificate, key;
        std::string refusal;  // its start
    } cases[] = {
        // Past the tokens' check to the system's refusal: an address of no
        // interface here (documentation's own), so a test never listens beyond loopback.
        {"192.0.2.1", true, "", "", "веб-доступ не запущен: не удалось слушать 192.0.2.1:0: "},
        {"192.0.2.1", false, "", "",
         "веб-доступ не запущен: чтобы слушать 192.0.2.1:0, то есть не только на этом "
         "компьютере, нужен хотя бы один токен"},
        {"127.0.0.1", false, "", "", ""},
        {"127.0.0.1", false, pem + ".none", pem, "веб-доступ не запущен: не читается файл Certificate или Key"},
        {"127.0.0.1", false, pem, pem,
         "веб-доступ не запущен: Certificate и Key из раздела [Web] должны быть файлами PEM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " " + c.certificate);
        if (!c.token) {
            removeToken(board.rules.path(), "phone");
            EXPECT_EQ(test::readBytes(board.rules.path()), rulesBefore);
        }
        board.rules.reload();
        WebSettings settings{true, {c.host, 0}, c.certificate, c.key, {}, {}, {}};
        WebServer server(settings, board.core, board.engine, board.plant.inputs, board.rules, board.plant.sequences,
                         log, board.plant.switches);
        EXPECT_TRUE(server.start().toStdString().starts_with(c.refusal));
    }
    EXPECT_EQ(removeToken(board.rules.path(), "phone"), "нет токена «phone»");
}

#ifndef _WIN32
// Without tokens the server answers only the user the program runs as:
// another user of this computer, through loopback too, is refused.
TEST(WebServer, WithoutTokensAnswersOnlyTheUserTheProgramRunsAs) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may play another user";
    ServerOnBoard board;
    const bool on = board.latchedOn(3);
    const std::string toggle = "POST /api/toggle/3 HTTP/1.1\r\nHost: " + board.address() + "\r\n\r\n";
    // Its exit status is the answer's status less 200.
    test::OtherUser nobody(test::kNobody, [&, port = board.server->port()](const std::function<void()>& ready) {
        ready();
        QTcpSocket client;
        client.connectToHost("127.0.0.1", port);
        client.write(toggle.c_str());
        return client.waitForReadyRead(5000) ? client.read(12).mid(9).toInt() - 200 : 255;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return nobody.status() >= 0; }, 10000));
    EXPECT_EQ(nobody.status() + 200, 403);
    EXPECT_EQ(board.latchedOn(3), on);
    EXPECT_EQ(board.call("POST", "/api/toggle/3").substr(9, 3), "200");
}

// With Certificate and Key the server speaks only TLS: a client that trusts
// the certificate is answered, a plain request gets no answer. (Schannel
// under Wine refuses every server key, so Windows is not tested here.)
TEST(WebServer, WithACertificateAnswersOnlyOverTls) {
    const std::string data = KAVTRA_WEB_TEST_DATA;
    ServerOnBoard board(ServerOnBoard::shortLimits(), data + "/localhost-cert.pem", data + "/localhost-key.pem");
    QSslSocket client;
    QSslConfiguration trusting = client.sslConfiguration();
    trusting.setCaCertificates(QSslCertificate::fromPath(QString::fromStdString(data + "/localhost-cert.pem")));
    client.setSslConfiguration(trusting);
    client.connectToHostEncrypted("127.0.0.1", board.server->port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.isEncrypted(); }, 5000)) << client.errorString().toStdString();
    client.write(("GET /api/outputs/2 HTTP/1.1\r\nHost: " + board.address() + "\r\nConnection: close\r\n\r\n").c_str());
    EXPECT_EQ(board.statusAndBody(board.readUntilClosed(client)),
              "200 {\"number\":2,\"name\":\"Вывод 2\",\"state\":\"on\"}");
    EXPECT_EQ(board.call("GET", "/api/outputs/2").find("HTTP/1.1"), std::string::npos);
}
#endif

}  // namespace
}  // namespace kavtra::web
