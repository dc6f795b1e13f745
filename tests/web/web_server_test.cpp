#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/change_record.h"
#include "tests/support/contains.h"
#include "tests/support/core_on_board.h"
#include "web/access.h"
#include "web/web_server.h"

namespace kavtra::web {
namespace {

using test::CoreOnBoard;

// The server on 127.0.0.1 (a port the system picks) over the command core
// on the modelled board, with short limits; the client is a plain socket, so
// that a test may send anything, or send it slowly.
struct ServerOnBoard : CoreOnBoard {
    ServerOnBoard() {
        settings.enabled = true;
        settings.listen = {"127.0.0.1", 0};
        ServerLimits limits;
        limits.http.body = 100;
        limits.requestTime = std::chrono::milliseconds(300);
        server = std::make_unique<WebServer>(settings, core, engine, rules, log, limits);
        EXPECT_EQ(server->start().toStdString(), "");
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(server->port()); }

    std::unique_ptr<QTcpSocket> connectClient() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost("127.0.0.1", server->port());
        return socket;
    }
    // What the server sent until it closed the connection (or 3 s passed).
    std::string exchange(const std::string& request) {
        const auto socket = connectClient();
        socket->write(request.data(), static_cast<qint64>(request.size()));
        return readUntilClosed(*socket);
    }
    static std::string readUntilClosed(QTcpSocket& socket) {
        std::string got;
        (void)QTest::qWaitFor(
            [&] {
                got += socket.readAll().toStdString();
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            3000);
        return got + socket.readAll().toStdString();
    }
    // method, path, extra header lines, body: one request that closes.
    std::string call(const std::string& method, const std::string& path, const std::string& headers = {},
                     const std::string& body = {}) {
        return exchange(method + " " + path + " HTTP/1.1\r\nHost: " + address() + "\r\nConnection: close\r\n" +
                        headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    static std::string statusAndBody(const std::string& response) {
        return response.substr(9, 3) + " " + response.substr(response.find("\r\n\r\n") + 4);
    }

    ChangeLog log{changeLogPath(dir.path.string())};
    ChangeLogWriter writer{engine, log};
    WebSettings settings;
    std::unique_ptr<WebServer> server;
};

TEST(WebServer, SetsOutputsInOneTransferSavedAndLoggedAsTheWebsAndReadsThemBack) {
    ServerOnBoard board;
    board.startWith({{5, 1}, {7, 1}});
    const auto before = board.transfers();
    EXPECT_EQ(board.statusAndBody(board.call("POST", "/api/set", {}, R"({"5": "on", "7": "on"})")),
              "200 {\"ok\":true}");
    EXPECT_EQ(board.transfers() - before, 1u);
    EXPECT_EQ(board.latchedOnOf({5, 7}), (std::vector<int>{5, 7}));
    EXPECT_EQ(board.saved(5) + board.saved(7), "00");
    EXPECT_TRUE(test::contains(lastLogLines(board.log.path(), 1).front(), "\tweb\t5=on 7=on"));
    EXPECT_EQ(board.statusAndBody(board.call("GET", "/api/outputs/5")),
              "200 {\"number\":5,\"name\":\"Вывод 5\",\"state\":\"on\"}");
    EXPECT_EQ(board.statusAndBody(board.call("POST", "/api/set", {}, R"({"301": "on"})")).substr(0, 4), "400 ");
    EXPECT_EQ(board.statusAndBody(board.call("GET", "/api/outputs/0")).substr(0, 4), "404 ");
    EXPECT_EQ(board.statusAndBody(board.call("POST", "/api/set", {}, "{\"5\": ")).substr(0, 4), "400 ");
    EXPECT_EQ(board.transfers() - before, 1u);
}

TEST(WebServer, RefusesWrongTokensOtherSitesBigBodiesAndSlowClientsAndNothingChanges) {
    ServerOnBoard board;
    board.startWith({{5, 1}});
    const std::string readSecret = "secret-of-reader";
    const std::string switchSecret = "secret-of-switcher";
    board.useRules("[Token reader]\nRole=read\nHash=" + tokenHash(readSecret) +
                   "\n[Token phone]\nRole=switch\nHash=" + tokenHash(switchSecret) + "\n");
    const auto bearer = [](const std::string& secret) { return "Authorization: Bearer " + secret + "\r\n"; };
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
        {board.exchange("GET /api/outputs/5 HTTP/1.1\r\nHost: evil.example:" + std::to_string(board.server->port()) +
                        "\r\n" + bearer(switchSecret) + "\r\n"),
         "403"},
        {board.call("POST", "/api/set", bearer(switchSecret), std::string(101, ' ')), "413"},
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

    // The fifth wrong token within a minute closes the door to that address.
    for (int i = 0; i < 4; ++i) board.call("GET", "/api/outputs/5", bearer("guess"));
    EXPECT_EQ(board.call("GET", "/api/outputs/5", bearer(switchSecret)).substr(9, 3), "429");
}

TEST(WebServer, StreamsEveryStepOfTheCoreAsOneEvent) {
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
}

}  // namespace
}  // namespace kavtra::web
