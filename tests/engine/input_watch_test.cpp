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
    Moments levels, edges;
    bool onAtFirst;
};

struct WatchOnBoard : EngineOnBoard {
    WatchOnBoard() {
        port.tap.addListener([this](const PortAccess& access) {
            if (access.kind == PortAccess::Kind::Read && access.address == kStatusRegister) ++statusReads;
        });
    }

    InputWatch watch{engine, timers};
    int statusReads = 0;
};
struct InputWatchTest : ::testing::TestWithParam<Case>, WatchOnBoard {};
struct InputWatchWants : ::testing::Test, WatchOnBoard {};

TEST_P(InputWatchTest, ALevelCountsOnceItHeldForTheDebounceTime) {
    const Case& c = GetParam();
    watch.configure({InputTuning{}, c.tuning}, 10ms);
    Moments edges;
    watch.addListener([&](const InputEdge& edge) {
        ASSERT_EQ(edge.input, 2);
        edges.emplace_back(static_cast<int>(timers.now().count()), edge.on);
    });
    watch.want("rules", {false, true});
    EXPECT_EQ(watch.isOn(2), c.onAtFirst);
    for (int ms = 0; ms < 200; ++ms) {
        for (const auto& [at, high] : c.levels)
            if (at == ms) port.sim.setInputs({false, high});
        timers.advance(1ms);
    }
    EXPECT_EQ(edges, c.edges);
    EXPECT_EQ(statusReads, 1 + 20);  // the first read at once, then each poll
}

INSTANTIATE_TEST_SUITE_P(
    Levels, InputWatchTest,
    ::testing::Values(
        Case{"APressAndItsRelease", {}, {{15, true}, {105, false}}, {{40, true}, {130, false}}, false},
        Case{"ABounceShorterThanTheDebounce", {}, {{15, true}, {25, false}}, {}, false},
        Case{"BouncesCountFromTheLastChange", {}, {{15, true}, {25, false}, {35, true}}, {{60, true}}, false},
        Case{"NoDebounce", {false, 0ms}, {{15, true}}, {{20, true}}, false},
        Case{"Inverted", {true, 50ms}, {{15, true}}, {{70, false}}, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(InputWatchWants, InputsAreReadOnlyWhileSomeoneWantsThem) {
    timers.advance(1s);
    EXPECT_FALSE(statusReads || watch.watching() || timers.nextDue());
    watch.want("rules", {true});
    watch.want("mqtt", {true, true});
    EXPECT_EQ(timers.nextDue(), 10ms + 1s);
    timers.advance(100ms);
    EXPECT_EQ(statusReads, 2 + 10);  // a read at each want of a new input, then each poll
    watch.want("mqtt", {});
    EXPECT_TRUE(!watch.isOn(2) && watch.isOn(1).has_value() && watch.watching());
    watch.want("rules", {});
    EXPECT_FALSE(watch.watching() || timers.nextDue());
    timers.advance(1s);
    EXPECT_EQ(statusReads, 12);
}

// A driver that refuses the status register: said once, nothing watched.
struct RefusingPort final : PortIo {
    std::int16_t Inp32(std::int16_t) override { return 0xFF; }
    void Out32(std::int16_t, std::int16_t) override {}
    std::string statusFault() const override { return "/dev/parport0: PPRSTATUS: Invalid argument"; }
};

TEST(InputWatchFault, APortThatCannotReadItsInputsSaysSoOnce) {
    ScratchDir dir;
    RefusingPort port;
    LPT lpt{port};
    const clsINI data{dataPath(dir.path.string())};
    ManualTimers timers;
    OutputEngine engine{data, lpt, timers};
    InputWatch watch{engine, timers};
    StderrCapture stderrText(dir);
    watch.want("rules", {true});
    watch.want("mqtt", {true, true});
    EXPECT_FALSE(watch.watching() || timers.nextDue() || watch.isOn(1));
    EXPECT_EQ(stderrText.text(),
              "kavtra: входы не читаются (/dev/parport0: PPRSTATUS: Invalid argument); выводы работают как прежде\n");
}

}  // namespace
}  // namespace kavtra::test
