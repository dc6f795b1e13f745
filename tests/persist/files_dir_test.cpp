#include "persist/files_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "file_fixture.h"
#include "persist/user_dirs.h"

namespace kavtra {
namespace {

// Sets an environment variable for one test and puts the old value back.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FilesDirectory, StaysBesideTheExecutableWhereTheProgramMayWrite) {
    testing::TempDir exe;
    EXPECT_EQ(filesDirectory(exe.path.string()), exe.path.string());
    EXPECT_EQ(filesDirectory("/opt/kavtra", true), "/opt/kavtra");
}

TEST(FilesDirectory, MovesToTheUsersDataDirectoryWhereItMayNot) {
    testing::TempDir data;
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
