#include "engine/input_watch.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/support/engine_on_board.h"
#include "tests/support/stderr_capture.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;
using Moments = std::vector<std::pair<int, bool>>;  // at ms: pin 11 high / input 2 on

// Input 2 (pin 11, Busy, which the port inverts) watched from 0 ms with its
// pin low, polled every 10 ms; the pin set at the moments given.
struct Case {
    const char* name;
    InputTuning tuning;
    Moments levels;
    bool onAtFirst;
    Moments edges;
};

struct WatchOnBoard : EngineOnBoard {
    WatchOnBoard() {
        port.tap.addListener([this](const PortAccess& access) {
            if (access.kind == PortAccess::Kind::Read && access.address == kStatusRegister) ++statusReads;
        });
    }
    std::array<InputTuning, kInputs> tuning(const InputTuning& second) { return {InputTuning{}, second}; }
    void setPin(bool high) { port.sim.setInputs({false, high}); }

    InputWatch watch{engine, timers};
    int statusReads = 0;
};
struct InputWatchTest : ::testing::TestWithParam<Case>, WatchOnBoard {};
struct InputWatchWants : ::testing::Test, WatchOnBoard {};

TEST_P(InputWatchTest, ALevelCountsOnceItHeldForTheDebounceTime) {
    const Case& c = GetParam();
    watch.configure(tuning(c.tuning), 10ms);
    Moments edges;
    watch.addListener([&](const InputEdge& edge) {
        ASSERT_EQ(edge.input, 2);
        edges.emplace_back(static_cast<int>(timers.now().count()), edge.on);
    });
    watch.want("rules", {false, true});
    EXPECT_EQ(watch.isOn(2), c.onAtFirst);
    EXPECT_EQ(watch.isOn(1), std::nullopt);
    for (int ms = 0; ms < 200; ++ms) {
        for (const auto& [at, high] : c.levels)
            if (at == ms) setPin(high);
        timers.advance(1ms);
    }
    EXPECT_EQ(edges, c.edges);
    EXPECT_EQ(statusReads, 1 + 20);  // the first read at once, then each poll
}

INSTANTIATE_TEST_SUITE_P(
    Levels, InputWatchTest,
    ::testing::Values(
        Case{"APressAndItsRelease", {}, {{15, true}, {105, false}}, false, {{40, true}, {130, false}}},
        Case{"ABounceShorterThanTheDebounce", {}, {{15, true}, {25, false}}, false, {}},
        Case{"BouncesCountFromTheLastChange", {}, {{15, true}, {25, false}, {35, true}}, false, {{60, true}}},
        Case{"NoDebounce", {false, 0ms}, {{15, true}}, false, {{20, true}}},
        Case{"Inverted", {true, 50ms}, {{15, true}}, true, {{70, false}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(InputWatchWants, InputsAreReadOnlyWhileSomeoneWantsThem) {
    timers.advance(1s);
    EXPECT_EQ(statusReads, 0);
    EXPECT_FALSE(watch.watching() || timers.nextDue());
    watch.want("rules", {true});
    watch.want("mqtt", {true, true});
    EXPECT_EQ(timers.nextDue(), 10ms + 1s);
    timers.advance(100ms);
    EXPECT_EQ(statusReads, 2 + 10);  // a read at each want of a new input, then each poll
    watch.want("mqtt", {});
    EXPECT_EQ(watch.isOn(2), std::nullopt);
    EXPECT_TRUE(watch.watching());
    watch.want("rules", {});
    EXPECT_FALSE(watch.watching() || timers.nextDue());
    timers.advance(1s);
    EXPECT_EQ(statusReads, 12);
}

// A driver that refuses the status register: said once, nothing watched, the
// outputs switched as ever.
TEST(InputWatchFault, APortThatCannotReadItsInputsSaysSoOnceAndSwitchesOn) {
    ScratchDir dir;
    SimulatedPort sim;
    struct : PortIo {
        PortIo* inner;
        std::int16_t Inp32(std::int16_t address) override { return inner->Inp32(address); }
        void Out32(std::int16_t address, std::int16_t value) override { inner->Out32(address, value); }
        std::string statusFault() const override { return "/dev/parport0: PPRSTATUS: Invalid argument"; }
    } refusing;
    refusing.inner = &sim;
    LPT lpt{refusing};
    const clsINI data{dataPath(dir.path.string())};
    ManualTimers timers;
    OutputEngine engine{data, lpt, timers};
    InputWatch watch{engine, timers};
    StderrCapture stderrText(dir);
    watch.want("rules", {true});
    watch.want("mqtt", {true, true});
    EXPECT_FALSE(watch.watching() || timers.nextDue() || watch.isOn(1));
    engine.set({{1, true}}, Source::Window);
    EXPECT_EQ(stderrText.text(),
              "kavtra: входы не читаются (/dev/parport0: PPRSTATUS: Invalid argument); выводы работают как прежде\n");
    EXPECT_TRUE(engine.isOn(1));
}

}  // namespace
}  // namespace kavtra::test
