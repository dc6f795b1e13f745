#include <unistd.h>

#include <QFileInfo>

#include <gtest/gtest.h>

#include "control/single_copy.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

TEST(SocketPlace, OnlyTheUserMayReachTheSocket) {
    test::ScratchDir dir;
    const SocketPlace place = commandSocketPlace(dir.path.string());
    const SingleCopy copy = claimSingleCopy(place);
    ASSERT_EQ(copy.outcome, SingleCopy::Outcome::Claimed);
    const QFileInfo socket(QString::fromStdString(place.serverName));
    EXPECT_EQ(socket.ownerId(), ::getuid());
    EXPECT_EQ(socket.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
}

}  // namespace
}  // namespace kavtra
