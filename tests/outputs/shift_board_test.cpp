#include "outputs/shift_board.h"

#include <gtest/gtest.h>

#include <random>

#include "outputs/transfer.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "tests/support/out_tables.h"
#include "tests/support/port_log.h"

namespace kavtra {
namespace {

using Bench = test::BoardOnPort;
using test::allOutputs;

TEST(ShiftBoard, LatchesEveryOutputHighExactlyWhenItsStateIsZero) {
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> pick(-3, 3);
    for (int round = 0; round < 50; ++round) {
        Bench bench;
        OutState table;
        for (int n = 1; n <= board::kOutputs; ++n) table[n] = static_cast<std::int16_t>(pick(rng));
        UpdateOuts(table, bench.lpt);
        for (int n = 1; n <= board::kOutputs; ++n)
            ASSERT_EQ(bench.board.outputLevel(n), table[n] == 0 ? 1 : 0) << "round " << round << " output " << n;
    }
}

TEST(ShiftBoard, TheEighthChainCarriesTheUnusedEntriesAsOnInItsFirstTwentyStages) {
    Bench bench;
    UpdateOuts(allOutputs(1), bench.lpt);
    for (int stage = 1; stage <= 20; ++stage) EXPECT_EQ(bench.board.latched(7, stage), 1) << stage;
    for (int stage = 21; stage <= 40; ++stage) EXPECT_EQ(bench.board.latched(7, stage), 0) << stage;
    EXPECT_EQ(bench.board.outputLevel(281), 0);
}

// The register outputs must hold the old picture while the new one is being
// clocked in, and change only at the latch pulse.
TEST(ShiftBoard, OutputsChangeOnlyAtTheLatchPulse) {
    Bench bench;
    OutState allOn;
    UpdateOuts(allOn, bench.lpt);

    int writes = 0;
    int writeOfChange = -1;
    bench.tap.addListener([&](const PortAccess& a) {
        if (a.kind != PortAccess::Kind::Write) return;
        ++writes;
        if (writeOfChange < 0 && bench.board.outputLevel(1) == 0) writeOfChange = writes;
    });
    UpdateOuts(allOutputs(1), bench.lpt);
    // 40 steps of 3 writes, then the latch pin's rising edge is write 121.
    EXPECT_EQ(writeOfChange, 121);
    EXPECT_EQ(bench.board.latchPulses(), 2u);
    EXPECT_EQ(bench.board.clockPulses(), 1u + 80u);  // Init_Outs gives one
}

TEST(ShiftBoard, UndrivenDataLinesShiftInLow) {
    Bench bench;
    bench.lpt.SetDataInput(true);
    EXPECT_TRUE(bench.board.pins().dataInput);
    OutState allOn;
    UpdateOuts(allOn, bench.lpt);
    for (int n = 1; n <= board::kOutputs; ++n) ASSERT_EQ(bench.board.outputLevel(n), 0) << n;
    bench.lpt.SetDataInput(false);
    UpdateOuts(allOn, bench.lpt);
    for (int n = 1; n <= board::kOutputs; ++n) ASSERT_EQ(bench.board.outputLevel(n), 1) << n;
}

TEST(ShiftBoard, ReportsPinLevelsWithThePortsInversions) {
    Bench bench;  // after Init_Outs: control 0x03
    const ShiftBoard::Pins p = bench.board.pins();
    EXPECT_FALSE(p.pin1);
    EXPECT_FALSE(p.pin14);
    EXPECT_FALSE(p.pin16);
    EXPECT_TRUE(p.pin17);
    EXPECT_FALSE(p.dataInput);
    bench.lpt.PortPin(16, 1);
    bench.lpt.PortPin(1, 1);
    EXPECT_TRUE(bench.board.pins().pin16);
    EXPECT_TRUE(bench.board.pins().pin1);
}

}  // namespace
}  // namespace kavtra
