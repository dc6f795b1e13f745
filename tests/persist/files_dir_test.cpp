#include "persist/paths/files_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "persist/paths/user_dirs.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using test::ScopedEnv;

TEST(FilesDirectory, StaysBesideTheExecutableWhereTheProgramMayWrite) {
    test::ScratchDir exe;
    EXPECT_EQ(filesDirectory(exe.path.string()), exe.path.string());
    EXPECT_EQ(filesDirectory("/opt/kavtra", true), "/opt/kavtra");
}

TEST(FilesDirectory, MovesToTheUsersDataDirectoryWhereItMayNot) {
    test::ScratchDir data;
    const ScopedEnv xdg("XDG_DATA_HOME", data.path.c_str());
    const std::string dir = filesDirectory("/usr/lib/kavtra", false);
    EXPECT_EQ(dir, data.file("kavtra"));
    EXPECT_TRUE(std::filesystem::is_directory(dir));
}

TEST(UserDirs, FollowTheXdgRulesWithHomeAsTheFallback) {
    const ScopedEnv home("HOME", "/home/operator");
    {
        const ScopedEnv unset("XDG_DATA_HOME", nullptr);
        const ScopedEnv relative("XDG_CONFIG_HOME", "relative/is/ignored");
        EXPECT_EQ(userDataHome(), "/home/operator/.local/share");
        EXPECT_EQ(userConfigHome(), "/home/operator/.config");
    }
    const ScopedEnv data("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(userDataHome(), "/srv/data");
}

}  // namespace
}  // namespace kavtra
