#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "persist/profile/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::StderrCapture;
using test::writeBytes;

DWORD attributesOf(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

TEST(ProfileSaveWindows, AReadOnlyFileIsNotReplacedAndTheFailureIsReported) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    StderrCapture err(dir);
    writePrivateProfileString("s", "k", "2", path);
    const std::string report = err.text();
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
    const std::string start = "kavtra: " + path + " not saved: cannot write the file: ";
    EXPECT_EQ(report.substr(0, start.size()), start) << report;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ProfileSaveWindows, TheReplacedFileKeepsItsAttributes) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    writePrivateProfileString("s", "k", "2", path);
    EXPECT_EQ(readBytes(path), "[s]\r\nk=2\r\n");
    EXPECT_TRUE(attributesOf(path) & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
}  // namespace kavtra
