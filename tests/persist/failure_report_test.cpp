#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "persist/profile/failure_report.h"
#include "persist/profile/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::StderrCapture;
using test::writeBytes;

// What a listener heard, one line per report: "PATH saved", or a failure in
// the words of its line on standard error, "PATH WHAT: REASON".
class Heard {
public:
    Heard()
        : id_(addProfileListener([this](const ProfileReport& r) {
              lines.push_back(r.failed() ? r.path + " " + r.what + ": " + r.reason : r.path + " saved");
          })) {}
    ~Heard() { stop(); }
    Heard(const Heard&) = delete;
    Heard& operator=(const Heard&) = delete;
    void stop() { removeProfileListener(id_); }
    std::vector<std::string> lines;

private:
    ProfileListenerId id_;
};

bool startsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

TEST(ProfileReports, ListenersHearEveryFailureWhileStandardErrorHasEachOnce) {
    ScratchDir dir;
    const std::string path = dir.file("missing/Data.dat");
    Heard heard;
    StderrCapture err(dir);
    writePrivateProfileString("s", "k", "1", path);
    writePrivateProfileString("s", "k", "2", path);
    const std::string report = err.text();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    ASSERT_EQ(heard.lines.size(), 2u);
    for (const std::string& line : heard.lines)
        EXPECT_TRUE(startsWith(line, path + " not saved: cannot create the lock file: ")) << line;
    EXPECT_EQ("kavtra: " + heard.lines[0] + "\n", report);
}

TEST(ProfileReports, AFileThatCannotBeReadIsHeardAsNotRead) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    fs::create_directory(path);
    Heard heard;
    StderrCapture err(dir);
    EXPECT_EQ(getPrivateProfileString("s", "k", "def", path), "def");
    ASSERT_EQ(heard.lines.size(), 1u);
    EXPECT_TRUE(startsWith(heard.lines[0], path + " not read: ")) << heard.lines[0];
    EXPECT_EQ(err.text(), "kavtra: " + heard.lines[0] + "\n");
}

// Such a file would otherwise read as empty without a word: every output on,
// every name the default, until a save is refused.
TEST(ProfileReports, AUtf16FileIsHeardAsNotReadAtEveryReadAndSaidOnce) {
    ScratchDir dir;
    Heard heard;
    StderrCapture err(dir);
    std::string said;
    for (const std::string mark : {"\xFF\xFE", "\xFE\xFF"}) {
        const std::string path = dir.file(mark == "\xFF\xFE" ? "le.dat" : "be.dat");
        writeBytes(path, mark + std::string("[\0s\0]\0", 6));
        for (int read = 0; read < 2; ++read) EXPECT_EQ(getPrivateProfileString("s", "k", "def", path), "def");
        const std::string line = path + " not read: файл в UTF-16; читаются Windows-1251 и UTF-8";
        EXPECT_EQ(std::count(heard.lines.begin(), heard.lines.end(), line), 2) << line;
        said += "kavtra: " + line + "\n";
    }
    EXPECT_EQ(err.text(), said);
}

TEST(ProfileReports, ACompleteSaveIsHeardOncePerFileEvenWhenItChangesNothing) {
    ScratchDir dir;
    const std::string config = dir.file("config.ini");
    const std::string data = dir.file("Data.dat");
    Heard heard;
    writePrivateProfileString("s", "k", "1", config);
    writePrivateProfileString("s", "k", "1", config);
    {
        const ProfileWriteGroup oneSave;
        writePrivateProfileString("a", "k", "1", data);
        writePrivateProfileString("b", "k", "2", data);
        writePrivateProfileString("s", "k", "3", config);
    }
    EXPECT_EQ(heard.lines,
              (std::vector<std::string>{config + " saved", config + " saved", data + " saved", config + " saved"}));
}

TEST(ProfileReports, ASaveWithARefusedWriteIsNoCompleteSave) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    // A UTF-16 file is left as it is: every write to it is refused.
    writeBytes(path, std::string("\xFF\xFE[\0s\0]\0", 8));
    Heard heard;
    StderrCapture err(dir);
    writePrivateProfileString("s", "k", "1", path);
    ASSERT_FALSE(heard.lines.empty());
    for (const std::string& line : heard.lines) EXPECT_TRUE(startsWith(line, path + " not saved: ")) << line;
}

TEST(ProfileReports, ARemovedListenerHearsNothingMore) {
    ScratchDir dir;
    Heard heard;
    heard.stop();
    writePrivateProfileString("s", "k", "1", dir.file("config.ini"));
    EXPECT_TRUE(heard.lines.empty());
}

TEST(ProfileReports, ASaveGivesItsCallerItsOwnFileFailureAndTheListenersEveryOne) {
    ScratchDir dir;
    const std::string refused = dir.file("config.ini");
    const std::string data = dir.file("Data.dat");
    writeBytes(refused, std::string("\xFF\xFE[\0s\0]\0", 8));
    Heard heard;
    StderrCapture err(dir);
    const auto both = [&] {
        writePrivateProfileString("s", "k", "1", refused);
        writePrivateProfileString("s", "k", "1", data);
    };
    EXPECT_EQ(saveFailure(data, both), "");
    EXPECT_NE(saveFailure(refused, both), "");
    EXPECT_EQ(std::count(heard.lines.begin(), heard.lines.end(), data + " saved"), 2);
    EXPECT_EQ(heard.lines.size(), 4u);
}

}  // namespace
}  // namespace kavtra
