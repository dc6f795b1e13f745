#include "engine/change_record.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "tests/support/engine_on_board.h"
#include "tests/support/file_bytes.h"
#include "tests/support/manual_timers.h"

namespace kavtra::test {
namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono;

TEST(ChangeRecord, AStepWritesOneLineForItsSwitchesOneForEachRenameAndOneForEachInterlock) {
    struct Case {
        OutputChange change;
        Lines lines;
    };
    const Case cases[] = {
        {{{7, 8}, {}, Source::mqtt("garage"), {{7, false}, {8, true}}, {}}, {"T\tmqtt:garage\t7=off 8=on"}},
        {{{}, {5, 12}, Source::Window, {}, {}}, {"T\twindow\t5 name=Вывод 5", "T\twindow\t12 name=Вывод 12"}},
        {{{1, 2, 3}, {}, Source::scene("Вечер"), {{1, true}, {2, true}}, {{"насос", {3}}}},
         {"T\tscene:Вечер\t1=on 2=on", "T\tinterlock:насос\t3=off"}},
        {{{4}, {}, Source::CommandLine, {}, {}}, {}},        // set, but nothing switched
        {{{}, {1, 2, 3}, Source::StartPolicy, {}, {}}, {}},  // the names LoadList read
    };
    EngineOnBoard on;
    for (const Case& c : cases) EXPECT_EQ(changeLines(c.change, on.engine, "T"), c.lines);
}

TEST(ChangeRecord, TheTimeIsLocalToTheMillisecond) {
    std::tm local{};
    local.tm_sec = 13, local.tm_min = 45, local.tm_hour = 18, local.tm_mday = 7;
    local.tm_mon = 11, local.tm_year = 126, local.tm_isdst = -1;
    EXPECT_EQ(logTimestamp(system_clock::from_time_t(std::mktime(&local)) + 123ms), "2026-12-07 18:45:13.123");
}

TEST(ChangeRecord, TheWriterLogsTheEngineStepsWhileItLives) {
    EngineOnBoard on;
    ChangeLog log(changeLogPath(on.dir.path.string()));
    const auto at = [] { return system_clock::from_time_t(0) + 4ms; };
    on.startWith({{3, 1}, {4, 1}});  // off
    ManualTimers timers;
    on.engine.setInterlocks({{"насос", {3, 4}}}, timers);
    {
        const ChangeLogWriter writer(on.engine, log, at);
        on.engine.rename(5, "Насос", Source::Window);
        on.engine.set({{3, true}, {4, true}}, Source::mqtt("garage"));
    }
    on.engine.rename(6, "Свет", Source::Window);
    const std::string t = logTimestamp(at());
    EXPECT_EQ(readBytes(log.path()),
              t + "\twindow\t5 name=Насос\n" + t + "\tmqtt:garage\t3=on\n" + t + "\tinterlock:насос\t4=off\n");
}

}  // namespace
}  // namespace kavtra::test
