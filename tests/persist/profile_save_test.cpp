#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "persist/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using test::readBytes;
using test::ScratchDir;
using test::StderrCapture;
using test::writeBytes;

TEST(ProfileSaveAnywhere, LeavesOnlyTheFileAndItsLockBehind) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    writePrivateProfileString("s", "k", "2", path);
    writePrivateProfileString("t", "k", "3", dir.file("new.ini"));
    EXPECT_EQ(readBytes(path), "[s]\r\nk=2\r\n");
    EXPECT_EQ(readBytes(dir.file("new.ini")), "[t]\r\nk=3\r\n");
    EXPECT_EQ(namesIn(dir.path), (std::vector<std::string>{"config.ini", "config.ini.lock", "new.ini", "new.ini.lock"}));
}

TEST(ProfileSaveAnywhere, AMissingDirectoryIsReportedOnceAndNotCreated) {
    ScratchDir dir;
    const std::string path = dir.file("missing/config.ini");
    StderrCapture err(dir);
    writePrivateProfileString("s", "k", "1", path);
    writePrivateProfileString("s", "k", "2", path);
    const std::string report = err.text();
    EXPECT_FALSE(fs::exists(dir.path / "missing"));
    const std::string start = "kavtra: " + path + " not saved: cannot create the lock file: ";
    EXPECT_EQ(report.substr(0, start.size()), start) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
}

}  // namespace
}  // namespace kavtra
