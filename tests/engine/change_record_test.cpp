#include "engine/change_record.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "tests/support/engine_on_board.h"
#include "tests/support/file_bytes.h"

namespace kavtra::test {
namespace {

TEST(ChangeRecord, AStepWritesOneLineForItsSwitchesOneForEachRenameAndOneForEachInterlock) {
    struct Case {
        const char* what;
        OutputChange change;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"switched", {{7, 8}, {}, Source::mqtt("garage"), {{7, false}, {8, true}}, {}}, {"T\tmqtt:garage\t7=off 8=on"}},
        {"renamed",
         {{}, {5, 12}, Source::Window, {}, {}},
         {"T\twindow\t5 name=Вывод 5", "T\twindow\t12 name=Вывод 12"}},
        {"held",
         {{1, 2, 3}, {}, Source::scene("Вечер"), {{1, true}, {2, true}}, {{"насос", {3}}}},
         {"T\tscene:Вечер\t1=on 2=on", "T\tinterlock:насос\t3=off"}},
        {"set, nothing switched", {{4}, {}, Source::CommandLine, {}, {}}, {}},
        {"names read at start", {{}, {1, 2, 3}, Source::StartPolicy, {}, {}}, {}},
    };
    EngineOnBoard on;
    for (const Case& c : cases) EXPECT_EQ(changeLines(c.change, on.engine, "T"), c.lines) << c.what;
}

TEST(ChangeRecord, TheTimeIsLocalToTheMillisecond) {
    std::tm local{};
    local.tm_year = 2026 - 1900, local.tm_mon = 11, local.tm_mday = 7, local.tm_hour = 18, local.tm_min = 45;
    local.tm_sec = 13, local.tm_isdst = -1;
    const auto time = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(123);
    EXPECT_EQ(logTimestamp(time), "2026-12-07 18:45:13.123");
}

TEST(ChangeRecord, TheWriterLogsTheEngineStepsWhileItLives) {
    EngineOnBoard on;
    ChangeLog log(changeLogPath(on.dir.path.string()));
    const auto at = [] { return std::chrono::system_clock::from_time_t(0) + std::chrono::milliseconds(4); };
    const std::string stamp = logTimestamp(at());
    {
        const ChangeLogWriter writer(on.engine, log, at);
        on.engine.rename(5, "Насос", Source::Window);
    }
    on.engine.rename(6, "Свет", Source::Window);
    EXPECT_EQ(readBytes(log.path()), stamp + "\twindow\t5 name=Насос\n");
    EXPECT_EQ(stamp.substr(stamp.size() - 4), ".004");
}

}  // namespace
}  // namespace kavtra::test
