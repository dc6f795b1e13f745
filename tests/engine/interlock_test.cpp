#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/output_pulses.h"
#include "engine/safety_timers.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/manual_timers.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;
using Outputs = std::vector<int>;

const std::vector<Interlock> kInterlocks = {{"Мотор", {3, 4}, 0ms}, {"Насосы", {10, 11, 12}, 0ms}};
const Outputs kWatched = {3, 4, 5, 10, 11, 12};

struct InterlockTest : ::testing::Test, EngineOnBoard {
    void switchOnOnly(const Outputs& on) {
        engine.setAll(false, Source::Window);
        for (int output : on) engine.set({{output, true}}, Source::Window);
    }
    std::vector<InterlockHold> lastHeld;
};

TEST_F(InterlockTest, OfAnInterlocksOutputsOneAtMostIsOnAfterEveryStep) {
    struct Case {
        const char* what;
        Outputs onBefore;
        std::function<void(OutputEngine&)> step;
        Outputs onAfter;  // of kWatched
        std::vector<InterlockHold> held;
    };
    const std::vector<Case> cases = {
        {"one on switches the other off in the same latch",
         {3},
         [](OutputEngine& e) {
             e.set({{4, true}}, Source::Window);
         },
         {4},
         {{"Мотор", {3}}}},
        {"all on keeps the lowest of each",
         {},
         [](OutputEngine& e) { e.setAll(true, Source::Window); },
         {3, 5, 10},
         {{"Мотор", {4}}, {"Насосы", {11, 12}}}},
        {"of two asked for, the lowest",
         {11},
         [](OutputEngine& e) {
             e.set({{12, true}, {10, true}}, Source::CommandLine);
         },
         {10},
         {{"Насосы", {11, 12}}}},
        {"switching off is never held",
         {3},
         [](OutputEngine& e) {
             e.set({{3, false}}, Source::Window);
         },
         {},
         {}},
        {"others than the interlock's go their way",
         {3},
         [](OutputEngine& e) {
             e.set({{4, true}, {5, true}}, Source::scene("Вечер"));
         },
         {4, 5},
         {{"Мотор", {3}}}},
        {"a toggle is a request like any",
         {4},
         [](OutputEngine& e) { e.toggle(3, Source::Window); },
         {3},
         {{"Мотор", {4}}}},
    };
    engine.setInterlocks(kInterlocks);
    engine.addListener([this](const OutputChange& change) { lastHeld = change.held; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        switchOnOnly(c.onBefore);
        const auto before = transfers();
        c.step(engine);
        EXPECT_EQ(transfers(), before + 1);
        EXPECT_EQ(latchedOnOf(kWatched), c.onAfter);
        EXPECT_EQ(lastHeld, c.held);
    }
}

TEST_F(InterlockTest, AtStartTheLowestOutputOnOfEachInterlockStaysOn) {
    engine.setInterlocks(kInterlocks);
    startWith({{5, 1}});  // every other output on, as Data.dat says
    EXPECT_EQ(latchedOnOf(kWatched), (Outputs{3, 10}));
}

TEST_F(InterlockTest, WithADeadTimeTheNewOutputWaitsForTheOthersToHaveBeenOffThatLong) {
    engine.setInterlocks({{"Ворота", {5, 6}, 500ms}});
    watchLatches(engine.interlocks());
    switchOnOnly({5});
    const auto at = transfers();
    engine.set({{6, true}}, Source::Window);  // 5 off at once, 6 after 500 ms
    EXPECT_EQ(latchedOnOf({5, 6}), Outputs{});
    timers.advance(499ms);
    EXPECT_EQ(latchedOnOf({5, 6}), Outputs{});
    timers.advance(1ms);
    EXPECT_EQ(latchedOnOf({5, 6}), Outputs{6});
    EXPECT_EQ(transfers(), at + 2);

    engine.set({{6, false}}, Source::Window);  // off by hand: the dead time runs from here
    timers.advance(100ms);
    engine.set({{5, true}}, Source::Window);
    timers.advance(399ms);
    EXPECT_EQ(latchedOnOf({5, 6}), Outputs{});
    timers.advance(1ms);
    EXPECT_EQ(latchedOnOf({5, 6}), Outputs{5});

    engine.set({{6, true}}, Source::Window);  // waits for 500 ms ...
    timers.advance(100ms);
    engine.set({{6, false}}, Source::Window);  // ... but a later request on the interlock has the last word
    timers.advance(1000ms);
    EXPECT_EQ(latchedOnOf({5, 6}), Outputs{});
    EXPECT_EQ(latchesBroken, 0u);
}

TEST_F(InterlockTest, UndoBringsBackTheStatesBeforeTheLastAllOnOrOffInOneStep) {
    switchOnOnly({1});
    engine.setAll(true, Source::Window);
    engine.set({{7, false}}, Source::Window);  // not undoable: the all on stays the one undone
    ASSERT_TRUE(engine.canUndo());
    const auto before = transfers();
    engine.undo();
    EXPECT_EQ(transfers(), before + 1);
    EXPECT_EQ(latchedOnOf({1, 2, 7}), Outputs{1});
    EXPECT_FALSE(engine.canUndo());
}

TEST_F(InterlockTest, TheDeadTimesThePulsesAndTheLimitsKeepTheirTimesOnOneTimers) {
    OutputPulses pulses(engine, timers, timers);
    SafetyTimers safety(engine, timers, timers);
    safety.setLimits({{2, 300ms}});
    safety.resume();
    engine.setInterlocks({{"Ворота", {5, 6}, 500ms}});
    switchOnOnly({5});
    engine.set({{6, true}, {2, true}}, Source::Window);
    pulses.pulse(1, 100, Source::Window);
    const std::vector<std::pair<std::chrono::milliseconds, Outputs>> expected = {
        {99ms, {1, 2}}, {1ms, {2}}, {199ms, {2}}, {1ms, {}}, {199ms, {}}, {1ms, {6}}};
    for (const auto& [by, on] : expected) {
        timers.advance(by);
        EXPECT_EQ(latchedOnOf({1, 2, 5, 6}), on) << timers.now().count() << " ms";
    }
}

}  // namespace
}  // namespace kavtra::test
