#include "persist/paths/files_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

// %APPDATA%\Kavtra, as Windows hands the roaming folder to every process.
std::string roamingKavtra() {
    const char* appData = std::getenv("APPDATA");
    return appData != nullptr ? std::string(appData) + "\\Kavtra" : std::string("APPDATA unset");
}

TEST(FilesDirectory, StaysBesideTheExecutableWhereTheUserMayWrite) {
    test::ScratchDir exe;
    EXPECT_EQ(filesDirectory(exe.path.string()), exe.path.string());
    EXPECT_EQ(filesDirectory("D:\\Kavtra", true), "D:\\Kavtra");
}

TEST(FilesDirectory, MovesToTheRoamingApplicationDataWhereTheUserMayNot) {
    struct Case {
        const char* executableDir;
        const char* why;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Kavtra", "installed"},
        {"c:/program files/kavtra/", "installed, as Qt and a user may spell it"},
        {"C:\\Program Files (x86)\\Kavtra", "installed as a 32-bit program"},
        {"C:\\no\\such\\folder", "nothing can be created there"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string dir = filesDirectory(c.executableDir);
        EXPECT_EQ(dir, roamingKavtra());
        EXPECT_TRUE(std::filesystem::is_directory(dir));
    }
    EXPECT_EQ(filesDirectory("D:\\Kavtra", false), roamingKavtra());
}

TEST(FilesDirectory, AProgramFilesFolderOfAnotherNameIsNotInstalled) {
    test::ScratchDir exe;
    const std::filesystem::path dir = exe.path / "Program Files";
    std::filesystem::create_directories(dir);
    EXPECT_EQ(filesDirectory(dir.string()), dir.string());
    // The probe leaves nothing behind.
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace kavtra
