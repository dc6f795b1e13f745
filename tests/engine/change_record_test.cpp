#include "engine/change_record.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "tests/support/engine_on_board.h"
#include "tests/support/file_bytes.h"

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
        {{{7, 8}, {}, Source::mqtt("garage"), {{7, false}, {8, true}}, {}}, {"T\tmqtt:garage\t8=on 7=off"}},
        {{{}, {5, 12}, Source::Window, {}, {}}, {"T\twindow\t5 name=Вывод 5", "T\twindow\t12 name=Вывод 12"}},
        {{{1, 2, 3}, {}, Source::scene("Вечер"), {{1, true}, {2, true}}, {{"насос", {3}}}},
         {"T\tscene:Вечер\t1-2=on", "T\tinterlock:насос\t3=off"}},
        {{{4}, {}, Source::CommandLine, {}, {}}, {}},        // set, but nothing switched
        {{{}, {1, 2, 3}, Source::StartPolicy, {}, {}}, {}},  // the names LoadList read
    };
    EngineOnBoard on;
    for (const Case& c : cases) EXPECT_EQ(changeLines(c.change, on.engine, "T"), c.lines);
}

TEST(ChangeRecord, ALineReadsBackAsWrittenAndLinesOfTheOlderFormReadToo) {
    const struct {
        std::string text;
        LogLine line;
        std::string written{};  // when the text is no longer the form written
    } cases[] = {
        {"T\twindow\t1-300=on", {"T", "window", Switches{{{1, 300}}, {}}}},
        {"T\tscene:Вечер\t8-9,17=on 7=off", {"T", "scene:Вечер", Switches{{{8, 9}, {17, 17}}, {{7, 7}}}}},
        {"T\tscene:Вечер\t7=off 17=on 8=on 9=on",
         {"T", "scene:Вечер", Switches{{{8, 9}, {17, 17}}, {{7, 7}}}},
         "T\tscene:Вечер\t8-9,17=on 7=off"},
        {"T\twindow\t5 name=Насос 3=on", {"T", "window", Rename{5, "Насос 3=on"}}},
        {"T\tschedule:Утро\tmissed 2026-12-07 06:00:00", {"T", "schedule:Утро", Missed{"2026-12-07 06:00:00"}}},
        {"T\tweb\tневерный токен", {"T", "web", Remark{"неверный токен"}}},
        {"T\twindow\t301=on 3-1=off", {"T", "window", Remark{"301=on 3-1=off"}}},
        {"torn", {"", "", Remark{"torn"}}, "\t\ttorn"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readLogLine(c.text), c.line) << c.text;
        EXPECT_EQ(logText(c.line), c.written.empty() ? c.text : c.written);
    }
    const LogLine missed = readLogLine(missedLine(Source::schedule("Утро"), system_clock::now(), "06:00"));
    EXPECT_EQ(missed.whatText() + " | " + missed.label(), "пропущено событие в 06:00 | расписание «Утро»");
}

TEST(ChangeRecord, EverySourceHasItsRussianLabelAndAnUnknownOneItsSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {"window", "окно"},
        {"command", "команда"},
        {"mqtt:garage", "MQTT: garage"},
        {"policy:start", "при запуске"},
        {"policy:exit", "при выходе"},
        {"pulse", "импульс"},
        {"scene:Вечер", "сцена «Вечер»"},
        {"group:Двор", "группа «Двор»"},
        {"interlock:Насос", "блокировка «Насос»"},
        {"undo", "отмена"},
        {"schedule:Утро", "расписание «Утро»"},
        {"timer", "предел времени"},
        {"web", "веб"},
        {"web:phone", "веб, токен «phone»"},
        {"rules", "Rules.ini"},
        {"policy:noon", "policy:noon"},
        {"window:x", "window:x"},
        {"robot", "robot"},
    };
    for (const auto& [spelling, label] : cases) EXPECT_EQ((LogLine{"T", spelling, Remark{}}.label()), label);
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
    on.engine.setInterlocks({{"насос", {3, 4}}});
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
