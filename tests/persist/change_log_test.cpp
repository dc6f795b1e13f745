#include "persist/log/change_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "persist/platform/utf8_path.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ChangeLog, AnAppendThatWouldPassTheCapStartsAFileAndKeepsOnePredecessor) {
    ScratchDir dir;
    const std::filesystem::path folder = dir.path / pathFromUtf8("Данные");
    std::filesystem::create_directory(folder);
    const std::string path = changeLogPath(utf8FromPath(folder));
    ChangeLog log(path, 20);
    for (const char* line : {"aaaaaaaaa", "bbbbbbbbb", "ccc", "ddddddddddddddd", "e"}) log.append(line);
    EXPECT_EQ(readBytes(folder / "Kavtra.log.1"), "ccc\nddddddddddddddd\n");
    EXPECT_EQ(readBytes(folder / "Kavtra.log"), "e\n");
    EXPECT_EQ(lastLogLines(path, 2), (Lines{"ddddddddddddddd", "e"}));
}

TEST(ChangeLog, ALineCutShortByACrashIsClosedBeforeTheNextOne) {
    ScratchDir dir;
    writeBytes(dir.file("Kavtra.log"), "one\ntw");
    ChangeLog(dir.file("Kavtra.log")).append("three");
    EXPECT_EQ(readBytes(dir.file("Kavtra.log")), "one\ntw\nthree\n");
}

TEST(ChangeLog, LastLinesComeOldestFirstFromThePredecessorAndThenTheFileWithoutTornEnds) {
    struct Case {
        const char* predecessor;  // nullptr: missing
        const char* current;
        std::size_t n;
        Lines lines;
    };
    const Case cases[] = {
        {"a\nb\nc\n", "d\ne\n", 4, {"b", "c", "d", "e"}},
        {"a\n", "d\ne\n", 2, {"d", "e"}},
        {"a\nb", "d\nВечер", 9, {"a", "d"}},
        {nullptr, nullptr, 3, {}},
        {nullptr, "\nВечер\n", 3, {"", "Вечер"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const std::string path = dir.file("Kavtra.log");
        if (c.predecessor) writeBytes(path + ".1", c.predecessor);
        if (c.current) writeBytes(path, c.current);
        EXPECT_EQ(lastLogLines(path, c.n), c.lines) << (c.current ? c.current : "-");
    }
}

TEST(ChangeLog, AFailureIsReportedOncePerReasonUntilAnAppendSucceeds) {
    ScratchDir dir;
    const std::string path = dir.file("missing/Kavtra.log");
    Lines heard;
    ChangeLog log(path, kChangeLogCap, [&](const std::string& reason) { heard.push_back(reason); });
    StderrCapture err(dir);
    log.append("1");
    log.append("2");
    std::filesystem::create_directory(dir.path / "missing");
    log.append("3");
    std::filesystem::remove_all(dir.path / "missing");
    log.append("4");
    EXPECT_EQ(heard, (Lines{heard.at(0), "", heard.at(0)}));
    EXPECT_EQ(heard[0].rfind("cannot open: ", 0), 0u) << heard[0];
    const std::string line = "kavtra: не удалось дописать журнал " + path + ": " + heard[0] + "\n";
    EXPECT_EQ(err.text(), line + line);
}

}  // namespace
}  // namespace kavtra::test
