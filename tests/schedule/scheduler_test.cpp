#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/schedule_listing.h"
#include "schedule/scheduler.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/manual_timers.h"
#include "tests/support/zone_clock.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;

ScheduleEntry event(std::string name, std::chrono::seconds at, std::vector<int> on, std::vector<int> off = {}) {
    ScheduleEntry entry;
    entry.name = std::move(name);
    entry.at = DayTime{DayTime::Kind::Clock, at, {}};
    entry.on = std::move(on);
    entry.off = std::move(off);
    return entry;
}

ScheduleEntry window(std::string name, std::chrono::seconds from, std::chrono::seconds to, std::vector<int> on) {
    ScheduleEntry entry = event(std::move(name), from, std::move(on));
    entry.at.reset();
    entry.from = DayTime{DayTime::Kind::Clock, from, {}};
    entry.to = DayTime{DayTime::Kind::Clock, to, {}};
    return entry;
}

// The engine on the modelled board, run by a scheduler on a calendar the
// test sets, in a zone three hours ahead of UTC.
struct ScheduledBoard {
    // "2026-03-02 06:00:00", local.
    static Instant local(const char* text) { return utc(text) - 3h; }
    void start(const char* now, std::vector<ScheduleEntry> entries, std::optional<Instant> lastDone = {}) {
        board.startWith({{5, 1}, {6, 1}, {7, 1}});
        sources.clear();
        timers.setWallClock(local(now));
        scheduler.start(std::make_shared<const SchedulePlan>(std::move(entries), std::nullopt, zone), lastDone);
    }
    void setClock(const char* now) {
        timers.setWallClock(local(now));
        timers.advance(0ms);
    }
    std::vector<int> on() const { return board.latchedOnOf({5, 6, 7}); }

    EngineOnBoard board;
    ManualTimers timers;
    FixedZone zone{3h};
    std::vector<std::string> missed;
    std::vector<std::string> sources;
    OutputEngine::ListenerId listener =
        board.engine.addListener([this](const OutputChange& change) { sources.push_back(sourceText(change.source)); });
    Scheduler scheduler{board.engine, timers, timers, [](const std::string&) { return std::nullopt; },
                        [this](const ScheduleEntry& entry, Instant at) {
                            missed.push_back(entry.name + " " + localTimeText(zone, at));
                        }};
};

TEST(Scheduler, AnEventSwitchesAtItsTimeInOneStepAndAHandChangeHoldsUntilTheNextEvent) {
    ScheduledBoard rig;
    rig.start("2026-03-02 05:59:00", {event("Полив", 6h, {5, 6}), window("Витрина", 18h, 23h, {7})});
    rig.timers.advance(59s);
    EXPECT_EQ(rig.on(), std::vector<int>{});
    const std::uint64_t before = rig.board.transfers();
    rig.timers.advance(1s);
    EXPECT_EQ(rig.on(), (std::vector<int>{5, 6}));
    EXPECT_EQ(rig.board.transfers(), before + 1);
    EXPECT_EQ(rig.sources, std::vector<std::string>{"schedule:Полив"});
    EXPECT_EQ(Scheduler::savedDone(rig.board.data), rig.local("2026-03-02 06:00:00"));  // kept by its own save

    rig.board.engine.set({{5, false}}, Source::Window);
    rig.timers.advance(12h);  // 18:00: the window opens, the morning's hand change holds
    EXPECT_EQ(rig.on(), (std::vector<int>{6, 7}));
    rig.board.engine.set({{7, false}}, Source::Window);
    rig.timers.advance(5h + 30min);  // past 23:00 into the next day
    EXPECT_EQ(rig.on(), std::vector<int>{6});
    rig.timers.advance(7h);  // 06:00 again
    EXPECT_EQ(rig.on(), (std::vector<int>{5, 6}));
    EXPECT_EQ(rig.missed, std::vector<std::string>{});
}

TEST(Scheduler, AClockSetBackRepeatsNothingAndOneSetForwardSkipsEventsButAppliesWindows) {
    ScheduledBoard rig;
    rig.start("2026-03-02 05:59:00", {event("Полив", 6h, {5}), window("Витрина", 7h, 8h, {7})});
    rig.timers.advance(2min);
    rig.board.engine.set({{5, false}}, Source::Window);
    rig.setClock("2026-03-02 05:50:00");
    rig.timers.advance(15min);
    EXPECT_EQ(rig.on(), std::vector<int>{});

    rig.setClock("2026-03-03 07:30:00");  // over the next 06:00 and into the window
    EXPECT_EQ(rig.on(), std::vector<int>{7});
    EXPECT_EQ(rig.missed, std::vector<std::string>{"Полив 2026-03-03 06:00:00"});
    rig.timers.advance(30min);
    EXPECT_EQ(rig.on(), std::vector<int>{});
    EXPECT_EQ(rig.sources,
              (std::vector<std::string>{"schedule:Полив", "window", "schedule:Витрина", "schedule:Витрина"}));
}

TEST(Scheduler, AStartNamesWhatItMissedAndAppliesTheWindowsAndAReloadOnlyNewOnes) {
    ScheduledBoard rig;
    rig.start("2026-03-02 07:30:00", {event("Полив", 6h, {5}), window("Витрина", 7h, 8h, {7})},
              rig.local("2026-03-01 12:00:00"));
    EXPECT_EQ(rig.missed, std::vector<std::string>{"Полив 2026-03-02 06:00:00"});
    EXPECT_EQ(rig.on(), std::vector<int>{7});

    rig.board.engine.set({{7, false}}, Source::Window);
    rig.scheduler.replan(std::make_shared<const SchedulePlan>(
        std::vector<ScheduleEntry>{window("Витрина", 7h, 8h, {7}), window("Двор", 7h, 9h, {6})}, std::nullopt,
        rig.zone));
    EXPECT_EQ(rig.on(), std::vector<int>{6});
}

}  // namespace
}  // namespace kavtra::test
