#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "commands/output_view.h"
#include "commands/parse.h"
#include "control/command_client.h"
#include "control/command_server.h"
#include "control/single_copy.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

// A files directory of the test's own, and so a socket of its own.
struct SocketFixture : ::testing::Test {
    test::ScratchDir dir;
    SocketPlace place = commandSocketPlace(dir.path.string());
};

std::unique_ptr<QLocalServer> claimed(const SocketPlace& place) {
    SingleCopy copy = claimSingleCopy(place);
    EXPECT_EQ(copy.outcome, SingleCopy::Outcome::Claimed) << copy.failure.toStdString();
    return std::move(copy.server);
}

using SingleCopyTest = SocketFixture;

TEST_F(SingleCopyTest, TheFirstCopyClaimsTheSocketAndASecondFindsItUntilItEnds) {
    std::unique_ptr<QLocalServer> first = claimed(place);
    EXPECT_EQ(claimSingleCopy(place).outcome, SingleCopy::Outcome::AnotherRuns);
    first.reset();
    EXPECT_TRUE(claimed(place));
}

TEST_F(SingleCopyTest, OtherFilesDirectoriesHaveSocketsOfTheirOwn) {
    test::ScratchDir other;
    const SocketPlace otherPlace = commandSocketPlace((other.path / "x").string());
    EXPECT_NE(otherPlace.serverName, place.serverName);
    std::unique_ptr<QLocalServer> first = claimed(place);
    EXPECT_TRUE(claimed(otherPlace));
}

using CommandServerTest = SocketFixture;

// A running copy whose handler records what it was asked and answers get
// with one line per output asked for.
struct RecordingServer {
    explicit RecordingServer(const SocketPlace& place)
        : server(claimed(place), [this](const Command& command, const CommandServer::Answer& answer) {
              handled.push_back(command);
              Reply reply;
              if (const auto* get = std::get_if<GetCommand>(&command))
                  for (const Target& target : get->outputs)
                      reply.lines.push_back(outputLine({target.output, "Насос", target.output % 2 == 0}));
              answer(reply);
          }) {}
    std::vector<Command> handled;
    CommandServer server;
};

// Sends bytes on a raw connection and gathers what comes back until the
// server has said `lines` lines or closed the connection.
std::vector<std::string> exchange(const std::string& serverName, const QByteArray& bytes, int lines,
                                  bool* closed = nullptr) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(serverName));
    EXPECT_TRUE(socket.waitForConnected(2000));
    socket.write(bytes);
    QByteArray received;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            received += socket.readAll();
            return received.count('\n') >= lines || socket.state() == QLocalSocket::UnconnectedState;
        },
        10000));
    if (closed) *closed = QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 2000);
    std::vector<std::string> split;
    for (const QByteArray& line : received.split('\n'))
        if (!line.isEmpty()) split.push_back(line.toStdString());
    return split;
}

TEST_F(CommandServerTest, EachRequestIsCheckedThenHandledAndAnsweredInTurn) {
    RecordingServer running(place);
    const std::vector<std::string> replies =
        exchange(place.serverName, "toggle 5\nreboot\nset 1=on 301=off\r\nget 2 3\n", 5);
    EXPECT_EQ(replies, (std::vector<std::string>{"ok", "error\tнеизвестная команда",
                                                 "error\t«301»: номер вывода должен быть числом от 1 до 300",
                                                 "2\ton\tНасос", "3\toff\tНасос", "ok"}));
    // The bad ones never reached it.
    EXPECT_EQ(running.handled, (std::vector<Command>{ToggleCommand{5}, GetCommand{{2, 3}}}));
}

// The command line's client waits for a running copy whose loop is busy
// for seconds, on Windows' pipe too, rather than give the command up.
TEST_F(CommandServerTest, TheClientWaitsForAProgramBusyForSeconds) {
    RecordingServer running(place);
    auto status = std::async(std::launch::async, [&] {
        return sendCommand(place, ToggleCommand{5}, {[](const std::string&) {}, [](const std::string&) {}});
    });
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return status.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
    EXPECT_EQ(status.get(), kExitDone);
    EXPECT_EQ(running.handled, (std::vector<Command>{ToggleCommand{5}}));
}

TEST_F(CommandServerTest, AnOversizedLineIsRefusedAndEndsItsConnectionOnly) {
    RecordingServer running(place);
    bool closed = false;
    const std::vector<std::string> replies =
        exchange(place.serverName, "toggle 1\n" + QByteArray(kMaxRequestBytes * 3, 'x') + "\ntoggle 2\n", 2, &closed);
    EXPECT_EQ(replies, (std::vector<std::string>{"ok", "error\tслишком длинная команда"}));
    EXPECT_TRUE(closed);
    ASSERT_EQ(running.handled.size(), 1u);
    // The running copy serves the next client as before.
    EXPECT_EQ(exchange(place.serverName, "toggle 3\n", 1), std::vector<std::string>{"ok"});
}

TEST_F(CommandServerTest, ClientsBeyondTheLimitAreTurnedAwayAndTheOthersStillServed) {
    RecordingServer running(place);
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < CommandServer::kMaxClients + 4; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(QString::fromStdString(place.serverName));
        ASSERT_TRUE(idle.back()->waitForConnected(2000));
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return std::count_if(idle.begin(), idle.end(), [](const auto& socket) {
                       return socket->state() == QLocalSocket::UnconnectedState;
                   }) == 4;
        },
        5000));
    idle.clear();
    // The running copy learns of those clients' end at its next turn.
    QTest::qWait(200);
    EXPECT_EQ(exchange(place.serverName, "show\n", 1), std::vector<std::string>{"ok"});
}

}  // namespace
}  // namespace kavtra
