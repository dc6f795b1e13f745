#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstring>

#include "control/command_client.h"
#include "control/single_copy.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

// What a copy that was killed leaves behind: the socket's file, with no one
// listening on it.
void leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = path.toLocal8Bit();
    ASSERT_LT(static_cast<std::size_t>(bytes.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
}

TEST(StaleSocket, DoesNotBlockTheNextStartNorMakeACommandWait) {
    test::ScratchDir dir;
    const SocketPlace place = commandSocketPlace(QString::fromStdString(dir.path.string()));
    leaveStaleSocket(place.serverName);
    ASSERT_TRUE(QFileInfo::exists(place.serverName));

    const int status = sendCommand(place.serverName, ToggleCommand{1}, {[](const std::string&) {}, [](const std::string&) {}});
    EXPECT_EQ(status, kExitNoRunningCopy);

    const SingleCopy copy = claimSingleCopy(place);
    EXPECT_EQ(copy.outcome, SingleCopy::Outcome::Claimed) << copy.failure.toStdString();
    EXPECT_EQ(claimSingleCopy(place).outcome, SingleCopy::Outcome::AnotherRuns);
}

TEST(SocketPlace, OnlyTheUserMayReachTheSocket) {
    test::ScratchDir dir;
    const SocketPlace place = commandSocketPlace(QString::fromStdString(dir.path.string()));
    const SingleCopy copy = claimSingleCopy(place);
    ASSERT_EQ(copy.outcome, SingleCopy::Outcome::Claimed);
    const QFileInfo socket(place.serverName);
    EXPECT_EQ(socket.ownerId(), ::getuid());
    EXPECT_EQ(socket.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
}

}  // namespace
}  // namespace kavtra
