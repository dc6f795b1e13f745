#include "persist/log/change_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "persist/platform/utf8_path.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra::test {
namespace {

TEST(ChangeLog, AnAppendThatWouldPassTheCapStartsAFileAndKeepsOnePredecessor) {
    ScratchDir dir;
    const std::filesystem::path folder = dir.path / pathFromUtf8("Данные");
    std::filesystem::create_directory(folder);
    const std::string path = changeLogPath(utf8FromPath(folder));
    ChangeLog log(path, 20);
    for (const char* line : {"aaaaaaaaa", "bbbbbbbbb", "ccc", "ddddddddddddddd", "e"}) log.append(line);
    EXPECT_EQ(readBytes(folder / "Kavtra.log.1"), "ccc\nddddddddddddddd\n");
    EXPECT_EQ(readBytes(folder / "Kavtra.log"), "e\n");
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"Kavtra.log", "Kavtra.log.1"}));
    EXPECT_EQ(lastLogLines(path, 2), (std::vector<std::string>{"ddddddddddddddd", "e"}));
}

TEST(ChangeLog, ALineCutShortByACrashIsClosedBeforeTheNextAndLeftOutWhenLast) {
    ScratchDir dir;
    const std::string path = dir.file("Kavtra.log");
    writeBytes(path, "one\ntw");
    EXPECT_EQ(lastLogLines(path, 5), (std::vector<std::string>{"one"}));
    ChangeLog(path).append("three");
    EXPECT_EQ(readBytes(path), "one\ntw\nthree\n");
}

TEST(ChangeLog, LastLinesComeOldestFirstFromThePredecessorAndThenTheFile) {
    struct Case {
        const char* what;
        const char* predecessor;  // nullptr: missing
        const char* current;
        std::size_t n;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"from both files", "a\nb\nc\n", "d\ne\n", 4, {"b", "c", "d", "e"}},
        {"the file alone when it has enough", "a\n", "d\ne\n", 2, {"d", "e"}},
        {"fewer than asked", "a\n", "d\n", 9, {"a", "d"}},
        {"torn ends skipped in both", "a\nb", "d\ne", 9, {"a", "d"}},
        {"no file at all", nullptr, nullptr, 3, {}},
        {"empty lines and Cyrillic kept", nullptr, "\nВечер\n", 3, {"", "Вечер"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        const std::string path = dir.file("Kavtra.log");
        if (c.predecessor) writeBytes(path + ".1", c.predecessor);
        if (c.current) writeBytes(path, c.current);
        EXPECT_EQ(lastLogLines(path, c.n), c.lines);
    }
}

TEST(ChangeLog, AFailureIsReportedOncePerReasonUntilAnAppendSucceeds) {
    ScratchDir dir;
    const std::string path = dir.file("missing/Kavtra.log");
    std::vector<std::string> heard;
    ChangeLog log(path, kChangeLogCap, [&](const std::string& reason) { heard.push_back(reason); });
    StderrCapture err(dir);
    log.append("1");
    log.append("2");
    std::filesystem::create_directory(dir.path / "missing");
    log.append("3");
    std::filesystem::remove_all(dir.path / "missing");
    log.append("4");
    const std::string report = err.text();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].rfind("cannot open: ", 0), 0u) << heard[0];
    EXPECT_EQ(heard, (std::vector<std::string>{heard[0], "", heard[0]}));
    const std::string line = "kavtra: не удалось дописать журнал " + path + ": " + heard[0] + "\n";
    EXPECT_EQ(report, line + line);
}

}  // namespace
}  // namespace kavtra::test
