#include "engine/safety_timers.h"

#include <gtest/gtest.h>

#include <list>
#include <sstream>
#include <string>
#include <vector>

#include "commands/parse.h"
#include "persist/files/data_file.h"
#include "tests/support/file_bytes.h"
#include "tests/support/timers_on_board.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;

const WallTime kStart = std::chrono::sys_days{std::chrono::year{2026} / 1 / 1};
// Rules.ini's limits, for every run.
void writeLimits(const ScratchDir& dir) { writeBytes(rulesPath(dir.path.string()), "[Limits]\r\n5=20m\r\n17=90s\r\n"); }

// Word by word: "on5", "off5", "pulse6" (10 s), "+20m" (time goes on), "restart@30m" (a new run on the same
// Data.dat and board, as after a crash, the calendar 30 min on from the first run's start, the remembered
// states its start policy) or "allon@30m" (its policy all on).
struct Case {
    const char* name;
    const char* script;
    std::vector<int> latchedOn;  // of 5, 6 and 17, at the end
    std::string saved;           // [Timers] and [Pulses] at the end, "N=... " each
    std::string log;             // of the last run, the start policy's step left out
    int neverOn = 0;             // an output the last run never latched on
};

std::string savedSections(const clsINI& data) {
    std::string text;
    for (const std::string_view section : {kTimersSection, kPulsesSection})
        for (const auto& [output, entry] : savedEntries(data, section))
            text += std::to_string(output) + "=" + entry + " ";
    return text;
}

TEST(SafetyTimersTest, LimitsOnTheBoardAndAcrossARestart) {
    const Case cases[] = {
        {"the limit switches off", "on5 +20m", {}, "", "window 5=on|timer 5=off|"},
        {"not a moment before", "on5 +19m +59s +999ms", {5}, "5=2026-01-01T00:20:00.000Z ", "window 5=on|"},
        {"on again starts anew", "on5 +10m on5 +19m", {5}, "5=2026-01-01T00:30:00.000Z ", "window 5=on|"},
        {"off ends the timer", "on5 +1m off5 +30m", {}, "", "window 5=on|window 5=off|"},
        {"an output without a limit has none", "on6 +25h", {6}, "", "window 6=on|"},
        {"a deadline passed while stopped ends at the start", "on5 on6 +1m restart@30m", {6}, "", "timer 5=off|", 5},
        {"whatever the start policy", "on5 allon@30m", {6, 17}, "17=2026-01-01T00:31:30.000Z ", "timer 5=off|", 5},
        {"one still to come runs for the time left",
         "on5 +1m restart@5m +14m +59s +999ms",
         {5},
         "5=2026-01-01T00:20:00.000Z ",
         ""},
        {"and ends on time", "on5 restart@5m +15m", {}, "", "timer 5=off|"},
        {"a pulse's return is saved with it", "pulse6", {6}, "6=2026-01-01T00:00:10.000Z off ", "window 6=on|"},
        {"and resumes after a restart", "pulse6 restart@4s +6s", {}, "", "pulse 6=off|"},
        {"or returns at the start when due", "pulse6 restart@1m", {}, "", "pulse 6=off|", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        BoardOnPort port;
        const clsINI data{dataPath(dir.path.string())};
        writeLimits(dir);
        std::list<TimersRun> runs;
        runs.emplace_back(dir.path.string(), port, kStart, kPolicyAllOff);
        std::istringstream script(c.script);
        for (std::string word; script >> word;) {
            TimersRun& run = runs.back();
            const std::size_t at = word.find('@');
            if (at != std::string::npos)
                runs.emplace_back(dir.path.string(), port,
                                  kStart + std::chrono::milliseconds(*durationValue(word.substr(at + 1))),
                                  word.starts_with("allon") ? kPolicyAllOn : kPolicyRemembered);
            else if (word[0] == '+')
                run.timers.advance(std::chrono::milliseconds(*durationValue(word.substr(1))));
            else if (word.starts_with("pulse"))
                run.pulses.pulse(std::stoi(word.substr(5)), 10000, Source::Window);
            else
                run.engine.set({{std::stoi(word.substr(word[1] == 'n' ? 2 : 3)), word[1] == 'n'}}, Source::Window);
        }
        std::string log;
        for (std::string line : runs.back().log)
            if (!line.starts_with("policy:")) log += line.replace(line.find('\t'), 1, " ") + "|";
        EXPECT_EQ(log, c.log);
        std::vector<int> latched;
        for (int output : {5, 6, 17})
            if (port.board.outputLevel(output) == 1) latched.push_back(output);
        EXPECT_EQ(latched, c.latchedOn);
        EXPECT_EQ(savedSections(data), c.saved);
        EXPECT_TRUE(!c.neverOn || runs.back().latchedOn.count(c.neverOn) == 0) << c.neverOn;
    }
}

TEST(SafetyTimersTest, TheDeadlineIsInTheSaveThatSwitchedTheOutputOn) {
    ScratchDir dir;
    BoardOnPort port;
    const clsINI data{dataPath(dir.path.string())};
    writeLimits(dir);
    TimersRun run(dir.path.string(), port, kStart, kPolicyAllOff);
    run.engine.set({{6, true}}, Source::Window);
    std::string expected = readBytes(data.FileName()) + "[Timers]\r\n5=2026-01-01T00:20:00.000Z\r\n";
    expected.replace(expected.find("[Devais_5]\r\nValue=1"), 19, "[Devais_5]\r\nValue=0");
    // Output 5's counters too, after 6's, before the deadlines.
    expected.insert(expected.find("[Timers]"), "5=1 0 0 0 2026-01-01T00:00:00.000Z on\r\n");
    std::string atTransfer;  // what a crash at the step's first port access would leave
    port.tap.addListener(
        [&](const PortAccess&) { atTransfer += atTransfer.empty() ? readBytes(data.FileName()) : ""; });
    run.engine.set({{5, true}}, Source::Window);
    EXPECT_EQ(atTransfer, expected);
}

}  // namespace
}  // namespace kavtra::test
