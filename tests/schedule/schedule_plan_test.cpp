#include "schedule/schedule_plan.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "schedule/schedule_text.h"
#include "tests/support/zone_clock.h"
#ifndef _WIN32
#include "tests/support/scoped_env.h"
#endif

namespace kavtra::test {
namespace {

using namespace std::chrono;
using Texts = std::vector<std::string>;
using States = std::vector<std::pair<int, bool>>;

// An event at `time`, or a window from `time` to `to`.
ScheduleEntry entry(const std::string& time, const std::string& to, const std::string& days, std::vector<int> on) {
    ScheduleEntry entry;
    entry.days = parseDays(days).value();
    entry.on = std::move(on);
    if (to.empty()) {
        entry.at = parseAt(time).value().time;
        entry.date = parseAt(time)->date;
    } else {
        entry.from = parseDayTime(time).value();
        entry.to = parseDayTime(to).value();
    }
    return entry;
}

// "2025-03-30 01:00:00 From 1": when, what, which entry.
Texts texts(const std::vector<ScheduleEvent>& events) {
    Texts out;
    for (const ScheduleEvent& e : events)
        out.push_back(utcText(e.at) + " " + std::array{"At", "From", "To"}[static_cast<int>(e.kind)] + " " +
                      std::to_string(e.entry));
    return out;
}

// The same events asked for three ways: a span at once, one after another,
// and as a list of the next ones.
Texts eachWay(const SchedulePlan& plan, sys_seconds after, sys_seconds until, const Texts& expected) {
    std::vector<ScheduleEvent> stepped;
    for (auto e = plan.next(after); e && e->at <= until; e = plan.next(e->at)) stepped.push_back(*e);
    EXPECT_EQ(texts(stepped), expected) << "next()";
    EXPECT_EQ(texts(plan.upcoming(after, expected.size())), expected) << "upcoming()";
    return texts(plan.between(after, until));
}

#ifndef _WIN32
struct ClockChangeRow {
    const char* zone;
    const char* at;
    const char* day;  // from its 00:00 UTC, three days on
    Texts moments;    // UTC, 2025
};

TEST(SchedulePlan, SkippedTimesActWhenTheGapEndsAndRepeatedTimesOnce) {
    const std::vector<ClockChangeRow> rows{
        {"Europe/Moscow", "02:30", "2025-03-29", {"03-29 23:30", "03-30 23:30", "03-31 23:30"}},
        {"Europe/Berlin", "02:30", "2025-03-29", {"03-29 01:30", "03-30 01:00", "03-31 00:30"}},
        {"Europe/Berlin", "02:30", "2025-10-25", {"10-25 00:30", "10-26 00:30", "10-27 01:30"}},
        {"America/New_York", "02:30", "2025-03-08", {"03-08 07:30", "03-09 07:00", "03-10 06:30"}},
        {"America/New_York", "01:30", "2025-11-01", {"11-01 05:30", "11-02 05:30", "11-03 06:30"}},
        {"America/New_York", "2025-11-02 01:30", "2025-11-01", {"11-02 05:30"}}};
    for (const ClockChangeRow& row : rows) {
        const ScopedEnv tz("TZ", row.zone);
        const SchedulePlan plan({entry(row.at, "", "", {1})}, std::nullopt, systemZone());
        Texts events;
        for (const std::string& moment : row.moments) events.push_back("2025-" + moment + ":00 At 0");
        const sys_seconds after = utc(std::string(row.day) + " 00:00");
        EXPECT_EQ(eachWay(plan, after, after + days{3}, events), events) << row.zone << " " << row.at;
    }
}
#endif

// Windows over midnight and the states they call for, in a zone three hours
// east of UTC. 2025-06-06 is a Friday.
struct WindowRow {
    const char* local;
    States states;
};

TEST(SchedulePlan, WindowsOverMidnightHoldTheirOutputsOnUntilTheLastEnds) {
    const FixedZone zone(hours{3});
    const SchedulePlan plan({entry("22:00", "02:00", "Fri", {1}), entry("01:00", "03:00", "daily", {1, 2}),
                             entry("06:00", "", "Mon,Wed,Fri", {5})},
                            std::nullopt, zone);
    const std::vector<WindowRow> rows{
        {"2025-06-05 23:00", {{1, false}, {2, false}}}, {"2025-06-06 01:30", {{1, true}, {2, true}}},
        {"2025-06-06 21:59", {{1, false}, {2, false}}}, {"2025-06-06 22:00", {{1, true}, {2, false}}},
        {"2025-06-07 00:59", {{1, true}, {2, false}}},  {"2025-06-07 02:30", {{1, true}, {2, true}}},
        {"2025-06-07 03:00", {{1, false}, {2, false}}}};
    for (const WindowRow& row : rows) EXPECT_EQ(plan.windowStates(utc(row.local) - hours{3}), row.states) << row.local;

    const Texts events{"2025-06-06 19:00:00 From 0", "2025-06-06 22:00:00 From 1", "2025-06-06 23:00:00 To 0",
                       "2025-06-07 00:00:00 To 1",   "2025-06-07 22:00:00 From 1", "2025-06-08 00:00:00 To 1",
                       "2025-06-08 22:00:00 From 1", "2025-06-09 00:00:00 To 1",   "2025-06-09 03:00:00 At 2"};
    const sys_seconds after = utc("2025-06-06 18:00");
    EXPECT_EQ(eachWay(plan, after, utc("2025-06-09 03:00"), events), events);
    const auto all = plan.between(after, utc("2025-06-09 03:00"));
    // Window 0 ends while window 1 still holds output 1; window 1's end
    // lets both go.
    EXPECT_EQ(plan.statesOf(all[2]), (States{{1, true}}));
    EXPECT_EQ(plan.statesOf(all[3]), (States{{1, false}, {2, false}}));
    EXPECT_EQ(plan.statesOf(all[8]), (States{{5, true}}));
}

}  // namespace
}  // namespace kavtra::test
