#include <sys/stat.h>
#include <unistd.h>

#include <QLocalServer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "control/command_client.h"
#include "control/command_server.h"
#include "control/single_copy.h"
#include "tests/support/file_bytes.h"
#include "tests/support/other_user.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

namespace fs = std::filesystem;

// Root plays the user, nobody the other user; the socket lies in a folder
// both may enter, as it could where a folder's rights went wrong.
class SocketOwnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "only root can act as another user";
        ::chmod(dir.path.c_str(), 0777);
    }

    test::ScratchDir dir;
    const std::string heard = dir.file("heard");
};

TEST_F(SocketOwnerTest, TheServerServesNoClientOfAnotherUser) {
    std::vector<Command> handled;
    auto listening = std::make_unique<QLocalServer>();
    listening->setSocketOptions(QLocalServer::WorldAccessOption);
    ASSERT_TRUE(listening->listen(QString::fromStdString(dir.file("open.sock"))));
    CommandServer server(std::move(listening), [&](const Command& command, const CommandServer::Answer& answer) {
        handled.push_back(command);
        answer(Reply{});
    });
    test::OtherUser client(test::kNobody, [&](const auto& ready) {
        ready();
        test::writeBytes(heard, test::askOnce(dir.file("open.sock"), "toggle 1\n"));
        return 0;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.status() >= 0; }, 10000));
    EXPECT_EQ(client.status(), 0);
    EXPECT_EQ(test::readBytes(heard), "") << "the other user got an answer";
    EXPECT_TRUE(handled.empty());
}

TEST_F(SocketOwnerTest, NeitherTheClientNorTheSingleCopyCheckUsesAnotherUsersServer) {
    const SocketPlace place = commandSocketPlace(dir.file("files"));
    // The user's own folder first, then the other user's socket moved in.
    claimSingleCopy(place).server.reset();
    test::OtherUser squatter(
        test::kNobody, [&](const auto& ready) { return test::answerEverything(dir.file("squat.sock"), heard, ready); });
    fs::rename(dir.file("squat.sock"), place.serverName);

    std::string said;
    const int status =
        sendCommand(place, ToggleCommand{1},
                    {[&](const std::string& line) { said += line; }, [&](const std::string& line) { said += line; }});
    EXPECT_EQ(status, kExitRefused);
    EXPECT_NE(said.find("другого пользователя"), std::string::npos) << said;
    const SingleCopy copy = claimSingleCopy(place);
    EXPECT_EQ(copy.outcome, SingleCopy::Outcome::Failed);
    EXPECT_TRUE(copy.failure.contains(QStringLiteral("другого пользователя"))) << copy.failure.toStdString();
    EXPECT_EQ(test::readBytes(heard), "");
    fs::remove(place.serverName);
}

}  // namespace
}  // namespace kavtra
