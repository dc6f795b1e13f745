#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "persist/platform/temporary_files.h"
#include "persist/profile/profile.h"
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
    EXPECT_EQ(namesIn(dir.path),
              (std::vector<std::string>{"config.ini", "config.ini.lock", "new.ini", "new.ini.lock"}));
}

// Leftovers whose writer cannot be running: this process's own id (from an
// earlier process that had it) and 0, which is no process that writes files.
// What is not a temporary of this file stays.
TEST(ProfileSaveAnywhere, TemporariesOfThisFileWhoseWriterIsGoneAreRemovedAtTheNextSave) {
    ScratchDir dir;
    const std::string path = dir.file("Data.dat");
    writeBytes(path, "[s]\r\nk=1\r\n");
    const std::string self = std::to_string(currentProcessId());
    const std::vector<std::string> gone = {".Data.dat." + self + ".3.tmp", ".Data.dat.0.0.tmp"};
    const std::vector<std::string> kept = {".config.ini.0.0.tmp", ".Data.dat.0.tmp", "Data.dat.0.0.tmp"};
    for (const std::string& name : gone) writeBytes(dir.file(name), "x");
    for (const std::string& name : kept) writeBytes(dir.file(name), "x");

    writePrivateProfileString("s", "k", "2", path);

    EXPECT_EQ(readBytes(path), "[s]\r\nk=2\r\n");
    for (const std::string& name : gone) EXPECT_FALSE(fs::exists(dir.path / name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(dir.path / name)) << name;
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
