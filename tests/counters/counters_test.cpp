#include "counters/output_counters.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "persist/files/data_file.h"
#include "persist/paths/files_dir.h"
#include "tests/support/contains.h"
#include "tests/support/file_bytes.h"
#include "tests/support/timers_on_board.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;

WallTime at(const std::string& text) { return WallTime{utc(text)}; }

struct DayCase {
    const char* what;
    CounterRecord record;
    const char* now;
    std::chrono::seconds offset;  // of the local zone
    OutputTally expected;
};

void PrintTo(const DayCase& c, std::ostream* out) { *out << c.what; }

class CounterDays : public ::testing::TestWithParam<DayCase> {};

TEST_P(CounterDays, SplitTheTimeOnAtLocalMidnightsWhenRead) {
    const DayCase& c = GetParam();
    EXPECT_EQ(tallyAt(c.record, at(c.now), FixedZone(c.offset)), c.expected);
}

const CounterRecord kOnAt22{3, 10h, 1h, 2h, at("2026-05-01 22:00:00"), true};
const CounterRecord kOffAt22{3, 10h, 1h, 2h, at("2026-05-01 22:00:00"), false};

INSTANTIATE_TEST_SUITE_P(
    Rollover, CounterDays,
    ::testing::Values(DayCase{"SameDay", kOnAt22, "2026-05-01 23:30:00", 0s, {3, 11h + 30min, 2h + 30min, 2h}},
                      DayCase{"PastMidnight", kOnAt22, "2026-05-02 01:00:00", 0s, {3, 13h, 1h, 3h}},
                      DayCase{"TwoMidnights", kOnAt22, "2026-05-03 00:30:00", 0s, {3, 36h + 30min, 30min, 24h}},
                      DayCase{"OffNextDay", kOffAt22, "2026-05-02 12:00:00", 0s, {3, 10h, 0s, 1h}},
                      DayCase{"OffDaysLater", kOffAt22, "2026-05-04 12:00:00", 0s, {3, 10h, 0s, 0s}},
                      DayCase{"LocalZoneAhead", kOnAt22, "2026-05-02 00:30:00", 3h, {3, 12h + 30min, 3h + 30min, 2h}},
                      DayCase{"ClockPutBack", kOnAt22, "2026-05-01 21:00:00", 0s, {3, 10h, 1h, 2h}}),
    [](const ::testing::TestParamInfo<DayCase>& p) { return std::string(p.param.what); });

TEST(CounterText, ReadsBackWhatItWritesAndNothingElse) {
    EXPECT_EQ(recordText(kOnAt22), "3 36000000 3600000 7200000 2026-05-01T22:00:00.000Z on");
    EXPECT_EQ(recordOf(recordText(kOnAt22)), kOnAt22);
    for (const char* bad : {"", "3 1 1 1 2026-05-01T22:00:00.000Z", "-3 1 1 1 2026-05-01T22:00:00.000Z on",
                            "3 1 1 1 2026-05-01 on", "3 1 1 1 2026-05-01T22:00:00.000Z yes",
                            "3 1 1 1 2026-05-01T22:00:00.000Z on x", "3  1 1 1 2026-05-01T22:00:00.000Z on"})
        EXPECT_FALSE(recordOf(bad)) << bad;
}

// The plant's runs on one folder and board: each started as the program
// starts, each ended by a kill (destroyed) or by its exit sequence.
struct Runs {
    ScratchDir dir;
    BoardOnPort port;
    std::unique_ptr<TimersRun> run;
    void start(const char* now, std::int16_t policy = kPolicyRemembered) {
        run.reset();
        run = std::make_unique<TimersRun>(dir.path.string(), port, at(now), policy);
    }
    Reply ask(Command command) { return run->plant.core.execute({std::move(command), Source::CommandLine}); }
    std::vector<std::string> stats(std::vector<Target> outputs) { return ask(StatsCommand{std::move(outputs)}).lines; }
    std::string counters() const {
        const std::string data = readBytes(dataPath(dir.path.string()));
        const std::size_t section = data.find("[Counters]");
        return section == std::string::npos ? "" : data.substr(section);
    }
};

TEST(Counters, OutlastAKillAndCountTheTimeTheBoardHeldTheLatchAcrossMidnights) {
    Runs runs;
    runs.start("2026-05-01 22:00:00", kPolicyAllOff);
    EXPECT_EQ(runs.counters(), "");
    ASSERT_TRUE(runs.ask(SetCommand{{{5, Switch::On}}}).done());
    EXPECT_EQ(runs.counters(), "[Counters]\r\n5=1 0 0 0 2026-05-01T22:00:00.000Z on\r\n");
    runs.start("2026-05-03 00:30:00");  // the first run killed: no exit sequence
    EXPECT_EQ(runs.stats({5, 6}), (std::vector<std::string>{"5\t1\t95400\t1800\t86400", "6\t0\t0\t0\t0"}));
    runs.run->timers.advance(30min);
    EXPECT_EQ(runs.stats({5}), (std::vector<std::string>{"5\t1\t97200\t3600\t86400"}));
    EXPECT_EQ(runs.stats({}).size(), 300u);
}

// The exit policy's latches hold while the program is down; its states are
// not saved, so the next start's remembered policy switches back. Output 7,
// which no step switched, is not counted by the policies.
TEST(Counters, CountTheStartAndExitPoliciesStepsAndAResetIsOneLoggedSave) {
    Runs runs;
    runs.start("2026-05-01 10:00:00", kPolicyAllOff);
    ASSERT_TRUE(runs.ask(SetCommand{{{5, Switch::On}}}).done());
    runs.run->timers.advance(1h);
    ASSERT_TRUE(runs.ask(SetCommand{{{5, Switch::Off}}}).done());
    runs.run->plant.settings.writeValUnload(kPolicyAllOn);
    runs.run->plant.exit();
    EXPECT_TRUE(contains(runs.counters(), "5=3 3600000 3600000 0 2026-05-01T11:00:00.000Z on\r\n"));
    runs.start("2026-05-01 13:00:00");
    EXPECT_EQ(runs.stats({5, 7}), (std::vector<std::string>{"5\t4\t10800\t10800\t0", "7\t0\t0\t0\t0"}));
    EXPECT_TRUE(runs.ask(ResetStatsCommand{{5, 6}}).done());
    EXPECT_EQ(runs.stats({5, 7}), (std::vector<std::string>{"5\t0\t0\t0\t0", "7\t0\t0\t0\t0"}));
    for (const char* reset :
         {"\n5=0 0 0 0 2026-05-01T13:00:00.000Z off\r\n", "\n6=0 0 0 0 2026-05-01T13:00:00.000Z off\r\n"})
        EXPECT_TRUE(contains(runs.counters(), reset));
    EXPECT_TRUE(contains(readBytes(changeLogPath(runs.dir.path.string())), "счётчики сброшены: 5-6\n"));
}

}  // namespace
}  // namespace kavtra::test
