#include "engine/safety_timers.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "persist/files/data_file.h"
#include "tests/support/file_bytes.h"
#include "tests/support/timers_on_board.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;

const WallTime kStart = std::chrono::sys_days{std::chrono::year{2026} / 1 / 1};
const SafetyTimers::Limits kLimits{{5, 20min}, {17, 90s}};

// A first run, then (unless `restartAt` is nothing) a second one on the same
// Data.dat and board, started at that time of the calendar with that policy,
// as after a crash: the first run's timers never fire again.
struct Case {
    const char* name;
    std::function<void(TimersRun&)> first;
    std::optional<std::chrono::milliseconds> restartAt;
    std::function<void(TimersRun&)> second;
    std::vector<int> latchedOnAtEnd;  // of 5, 6, 17
    std::string timers;               // Data.dat's [Timers] and [Pulses] at the end, one "N=..." each
    std::vector<std::string> log;     // of the last run, the start policy's step left out
    std::int16_t policy = kPolicyRemembered;
    int neverOn = 0;  // an output the second run never latched on
};

std::string savedSections(const clsINI& data) {
    std::string text;
    for (const std::string_view section : {kTimersSection, kPulsesSection})
        for (const auto& [output, entry] : savedEntries(data, section))
            text += std::to_string(output) + "=" + entry + " ";
    return text;
}

const auto on = [](int output, const Source& source = Source::Window) {
    return [=](TimersRun& run) { run.engine.set({{output, true}}, source); };
};
const auto after = [](std::chrono::milliseconds by) { return [=](TimersRun& run) { run.timers.advance(by); }; };
std::function<void(TimersRun&)> steps(std::vector<std::function<void(TimersRun&)>> all) {
    return [=](TimersRun& run) {
        for (const auto& step : all) step(run);
    };
}

TEST(SafetyTimersTest, LimitsOnTheBoardAndAcrossARestart) {
    const Case cases[] = {
        {"the limit switches off", steps({on(5), after(20min)}), {}, {}, {}, "", {"window\t5=on", "timer\t5=off"}},
        {"not a moment before",
         steps({on(5), after(20min - 1ms)}),
         {},
         {},
         {5},
         "5=2026-01-01T00:20:00.000Z ",
         {"window\t5=on"}},
        {"on again starts anew",
         steps({on(5), after(10min), on(5, Source::CommandLine), after(19min)}),
         {},
         {},
         {5},
         "5=2026-01-01T00:30:00.000Z ",
         {"window\t5=on"}},
        {"off ends the timer",
         steps({on(5), after(1min),
                [](TimersRun& run) {
                    run.engine.set({{5, false}}, Source::Window);
                },
                after(30min)}),
         {},
         {},
         {},
         "",
         {"window\t5=on", "window\t5=off"}},
        {"an output without a limit has none", steps({on(6), after(25h)}), {}, {}, {6}, "", {"window\t6=on"}},
        {"a deadline passed while stopped switches off before any transfer",
         steps({on(5), on(6), after(1min)}),
         30min,
         {},
         {6},
         "",
         {"timer\t5=off"},
         kPolicyRemembered,
         5},
        {"whatever the start policy",
         on(5),
         30min,
         {},
         {6, 17},
         "17=2026-01-01T00:31:30.000Z ",
         {"timer\t5=off"},
         kPolicyAllOn,
         5},
        {"a deadline still to come runs for the time left",
         steps({on(5), after(1min)}),
         5min,
         after(15min - 1ms),
         {5},
         "5=2026-01-01T00:20:00.000Z ",
         {}},
        {"and ends on time", on(5), 5min, after(15min), {}, "", {"timer\t5=off"}},
        {"a pulse's return is saved with it",
         [](TimersRun& run) { run.pulses.pulse(6, 10000, Source::CommandLine); },
         {},
         {},
         {6},
         "6=2026-01-01T00:00:10.000Z off ",
         {"command\t6=on"}},
        {"and resumes after a restart",
         [](TimersRun& run) { run.pulses.pulse(6, 10000, Source::CommandLine); },
         4s,
         after(6s),
         {},
         "",
         {"pulse\t6=off"}},
        {"or returns at the start when it came due meanwhile",
         [](TimersRun& run) { run.pulses.pulse(6, 10000, Source::CommandLine); },
         1min,
         {},
         {},
         "",
         {"pulse\t6=off"},
         kPolicyRemembered,
         6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        BoardOnPort port;
        const clsINI data{dataPath(dir.path.string())};
        TimersRun first(data, port, kLimits, kStart, kPolicyAllOff);
        c.first(first);
        std::optional<TimersRun> second;
        if (c.restartAt) {
            second.emplace(data, port, kLimits, kStart + *c.restartAt, c.policy);
            if (c.second) c.second(*second);
        }
        TimersRun& last = second ? *second : first;
        std::erase_if(last.log, [](const std::string& line) { return line.starts_with("policy:"); });
        EXPECT_EQ(last.log, c.log);
        std::vector<int> latched;
        for (int output : {5, 6, 17})
            if (port.board.outputLevel(output) == 1) latched.push_back(output);
        EXPECT_EQ(latched, c.latchedOnAtEnd);
        EXPECT_EQ(savedSections(data), c.timers);
        if (c.neverOn) {
            EXPECT_FALSE(second->everLatchedOn(c.neverOn));
        }
    }
}

TEST(SafetyTimersTest, TheDeadlineIsInTheSaveThatSwitchedTheOutputOn) {
    ScratchDir dir;
    BoardOnPort port;
    const clsINI data{dataPath(dir.path.string())};
    TimersRun run(data, port, kLimits, kStart, kPolicyAllOff);
    run.engine.set({{6, true}}, Source::Window);
    std::string expected = readBytes(data.FileName());
    const std::string off5 = "[Devais_5]\r\nValue=1";
    ASSERT_NE(expected.find(off5), std::string::npos);
    expected.replace(expected.find(off5), off5.size(), "[Devais_5]\r\nValue=0");
    expected += "[Timers]\r\n5=2026-01-01T00:20:00.000Z\r\n";
    // What a crash at the step's first port access would leave.
    std::string atTransfer;
    port.tap.addListener([&](const PortAccess&) {
        if (atTransfer.empty()) atTransfer = readBytes(data.FileName());
    });
    run.engine.set({{5, true}}, Source::Window);
    EXPECT_EQ(atTransfer, expected);
    EXPECT_EQ(readBytes(data.FileName()), expected);
}

}  // namespace
}  // namespace kavtra::test
