#include <QCoreApplication>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/contains.h"
#include "tests/support/http_answer.h"
#include "tests/support/web_on_board.h"

namespace kavtra::test {
namespace {

constexpr int kClients = 50, kRequests = 1000, kSetEvery = 50, kSets = kRequests / kSetEvery;
using Clock = std::chrono::steady_clock;

// Set j of a client switches its output on when j + client is even.
bool setOn(int client, int j) { return (j + client) % 2 == 0; }

// One client on its own kept-alive connection, for its own output: the
// answers' times in ms, or none and why.
std::pair<std::vector<double>, std::string> runClient(quint16 port, int client) {
    std::vector<double> ms;
    const std::string output = std::to_string(1 + client), host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(10000)) return {ms, "not connected"};
    std::string pending, state = "off";
    for (int i = 0; i < kRequests; ++i) {
        const bool set = i % kSetEvery == 0;
        if (set) state = setOn(client, i / kSetEvery) ? "on" : "off";
        const std::string body = "{\"" + output + "\": \"" + state + "\"}";
        const std::string request = set ? "POST /api/set HTTP/1.1\r\n" + host +
                                              "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body
                                        : "GET /api/outputs/" + output + " HTTP/1.1\r\n" + host + "\r\n";
        const std::string expected = set ? "{\"ok\":true}"
                                         : "{\"number\":" + output + ",\"name\":\"Вывод " + output + "\",\"state\":\"" +
                                               state + "\"}";
        const auto start = Clock::now();
        socket.write(request.data(), static_cast<qint64>(request.size()));
        const std::optional<std::string> got = nextAnswer(socket, pending);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!got || !got->starts_with("HTTP/1.1 200 OK\r\n") || !got->ends_with("\r\n\r\n" + expected))
            return {ms, "request " + std::to_string(i) + ": " + got.value_or("(no answer)")};
    }
    return {ms, ""};
}

// 50 clients of 1,000 requests each, all at once on loopback; every 50th
// request switches the client's own output, the others read it back. Nothing
// is lost: every request is answered, every read shows the client's last set,
// the board and Data.dat end as the last sets left them, and the log holds
// each change once. The 99th percentile of the answers' times is printed.
TEST(WebLoad, FiftyClientsOfAThousandRequestsAreAllAnsweredAndNothingIsLost) {
    ServerOnBoard board{web::ServerLimits{}};
    board.run(AllCommand{false});
    std::vector<std::pair<std::vector<double>, std::string>> runs(kClients);
    std::atomic<int> finished = 0;
    std::vector<std::thread> clients;
    const auto start = Clock::now();
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back([&, client, port = board.server->port()] {
            runs[client] = runClient(port, client);
            ++finished;
        });
    // The server answers on this thread; each client waits at most 10 s per answer.
    while (finished < kClients) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (std::thread& client : clients) client.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> all;
    std::vector<int> outputs, on;
    for (int client = 0; client < kClients; ++client) {
        EXPECT_EQ(runs[client].second, "") << "client " << client;
        all.insert(all.end(), runs[client].first.begin(), runs[client].first.end());
        outputs.push_back(1 + client);
        if (setOn(client, kSets - 1)) on.push_back(1 + client);
        EXPECT_EQ(board.saved(1 + client), setOn(client, kSets - 1) ? "0" : "1") << "output " << 1 + client;
    }
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kClients * kRequests));
    std::sort(all.begin(), all.end());
    std::printf("%d requests in %.1f s; median %.2f ms, p99 %.2f ms, slowest %.1f ms\n", kClients * kRequests, seconds,
                all[all.size() / 2], all[all.size() * 99 / 100], all.back());
    EXPECT_EQ(board.latchedOnOf(outputs), on);
    // An odd client's first set finds its output off already: no change, no line.
    const std::vector<std::string> logged = lastLogLines(board.log.path(), 2 * kClients * kSets);
    EXPECT_EQ(
        std::count_if(logged.begin(), logged.end(), [](const std::string& line) { return contains(line, "\tweb\t"); }),
        kClients * kSets - kClients / 2);
}

// A thousand connections at once: as many as the cap are held, every other
// one is answered 503 and closed, and once the held ones go, requests are
// answered again: no slot is lost.
TEST(WebLoad, AThousandConnectionsAtOnceAreHeldUpToTheCapAndTheRestAnswered503) {
    const web::ServerLimits limits;
    ServerOnBoard board{limits};
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    std::vector<std::string> heard(1000);
    for (std::size_t i = 0; i < heard.size(); ++i) flood.push_back(board.connectClient());
    const auto refused = [&] {
        long count = 0;
        for (std::size_t i = 0; i < flood.size(); ++i) {
            heard[i] += flood[i]->readAll().toStdString();
            count += heard[i].starts_with("HTTP/1.1 503 ") && contains(heard[i], "\r\nRetry-After: 5\r\n") &&
                     flood[i]->state() == QAbstractSocket::UnconnectedState;
        }
        return count;
    };
    const long expected = static_cast<long>(flood.size()) - limits.connections;
    EXPECT_TRUE(QTest::qWaitFor([&] { return refused() == expected; }, 30000)) << refused();
    QTest::qWait(100);
    EXPECT_EQ(refused(), expected);
    for (std::size_t i = 0; i < flood.size(); ++i)
        if (heard[i].empty()) flood[i]->abort();
    EXPECT_TRUE(QTest::qWaitFor([&] { return board.call("GET", "/api/outputs/1").substr(9, 3) == "200"; }, 10000));
}

}  // namespace
}  // namespace kavtra::test
