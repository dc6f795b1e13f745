#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/core_on_board.h"

namespace kavtra::test {
namespace {

using Levels = BoardRig::Levels;

// The levels a board latches with these outputs on and outputs 1 to
// `lastInverted` inverted.
Levels picture(const std::vector<int>& on, int lastInverted) {
    Levels levels;
    for (int n = 1; n <= lastInverted; ++n) levels.set(static_cast<std::size_t>(n - 1));
    for (int n : on) levels.flip(static_cast<std::size_t>(n - 1));
    return levels;
}

// Every latch from the start to the exit, compared one by one: the first
// latch holds the inverted outputs off, a change of the setting lands whole
// in the next latch, a value that does not read changes nothing, and the
// exit latches off through the setting then in force.
TEST(InvertedBoard, IsOffFromItsFirstLatchThroughAChangeOfTheSettingToTheExit) {
    const std::string policies = "[Configs]\nValLoad=2\nValUnload=2\n[Outputs]\nInverted=";
    CoreOnBoard board(policies + "1-40\n");
    board.engine.set({{1, true}, {41, true}}, Source::Window);
    board.writeConfig(policies + " 1-80 \n");
    board.engine.set({{2, true}}, Source::Window);
    board.writeConfig(policies + "1-x\n");
    board.engine.set({{2, false}}, Source::Window);
    board.plant.exit();
    EXPECT_EQ(board.latchLevels, (std::vector<Levels>{picture({}, 40), picture({1, 41}, 40), picture({1, 2, 41}, 80),
                                                      picture({1, 41}, 80), picture({}, 80)}));
}

// With a value that does not read from the start, no picture is latched at
// all, either guess could switch loads on; the first transfer after it is
// put right latches every output off.
TEST(InvertedBoard, LatchesNothingUntilABadValueAtTheStartIsPutRight) {
    CoreOnBoard board("[Configs]\nValLoad=2\n[Outputs]\nInverted=всё\n");
    board.engine.set({{3, true}}, Source::Window);
    EXPECT_TRUE(board.latchLevels.empty());
    board.writeConfig("[Outputs]\nInverted=all\n");
    board.engine.set({{3, false}}, Source::Window);
    EXPECT_EQ(board.latchLevels, (std::vector<Levels>{picture({}, 300)}));
}

}  // namespace
}  // namespace kavtra::test
