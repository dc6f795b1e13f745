#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/core_on_board.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;

// Random requests from every source, interlocks overlapping and with dead
// times, the clock moving between them, each save taking as long as the
// parameter says: no latch may ever show two outputs of one interlock on, nor
// latch one on sooner than its dead time after the latch that switched
// another off.
class InterlockProperty : public ::testing::TestWithParam<std::chrono::milliseconds> {};

TEST_P(InterlockProperty, NoLatchShowsTwoOutputsOfAnInterlockOnOrOneOnBeforeItsDeadTime) {
    constexpr int kSequences = 40;
    constexpr int kRequests = 60;
    std::uint64_t latches = 0;
    for (int seed = 1; seed <= kSequences; ++seed) {
        CoreOnBoard board;
        board.useRules(
            "[Interlock Мотор]\nOutputs=1,2\nDeadTime=300\n[Interlock Насосы]\nOutputs=2-4\n"
            "[Interlock Ворота]\nOutputs=5,6\nDeadTime=50\n[Group Все]\nOutputs=1-8\n[Group Пара]\nOutputs=3,5\n"
            "[Scene Вечер]\nOn=1,3,5\nOff=7\n[Scene Ночь]\nOn=2,4,6,8\n");
        board.watchLatches(board.engine.interlocks(), &board.deadTimes);
        board.engine.addSaveHook([&board](const OutputChange&, const clsINI&) {
            board.timers.pass(GetParam());
            board.deadTimes.pass(GetParam());
        });
        std::mt19937 random(static_cast<unsigned>(seed));
        const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const Source sources[] = {Source::Window, Source::CommandLine, Source::mqtt("garage")};
        for (int i = 0; i < kRequests; ++i) {
            const int output = 1 + pick(8);
            const Source& source = sources[pick(3)];
            switch (pick(10)) {
            case 0: board.run(SetCommand{{{output, Switch::On}, {1 + pick(8), Switch::On}}}, source); break;
            case 1: board.run(ToggleCommand{output}, source); break;
            case 2: board.run(AllCommand{pick(2) == 0}, source); break;
            case 3: board.run(SceneCommand{pick(2) ? "Вечер" : "Ночь"}, source); break;
            case 4: board.run(SetCommand{{{Target::ofGroup(pick(2) ? "Все" : "Пара"), Switch::Toggle}}}, source); break;
            case 5: board.run(PulseCommand{output, 50 + pick(400)}, source); break;
            case 6: board.run(UndoCommand{}, source); break;
            case 7: {
                const bool start = pick(2) != 0;
                board.engine.applyPolicy(static_cast<std::int16_t>(1 + pick(3)),
                                         start ? Source::StartPolicy : Source::ExitPolicy);
                board.latchesForgotten = start;
                board.engine.UpdateOuts();
                break;
            }
            default: board.advance(std::chrono::milliseconds(pick(400))); break;
            }
        }
        board.advance(1000ms);
        EXPECT_EQ(board.latchesBroken, 0u) << "seed " << seed;
        EXPECT_EQ(board.latchesEarly, 0u) << "seed " << seed;
        latches += board.latchesSeen;
    }
    std::printf("%d sequences of %d requests, %llu latches checked\n", kSequences, kRequests,
                static_cast<unsigned long long>(latches));
    EXPECT_GT(latches, static_cast<std::uint64_t>(kSequences * kRequests / 2));
}

INSTANTIATE_TEST_SUITE_P(Saves, InterlockProperty, ::testing::Values(0ms, 80ms),
                         [](const auto& saves) { return saves.param.count() ? "Slow" : "Quick"; });

}  // namespace
}  // namespace kavtra::test
