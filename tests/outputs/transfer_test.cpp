#include "outputs/transfer.h"

#include <gtest/gtest.h>

#include "tests/support/out_tables.h"
#include "tests/support/port_log.h"

namespace kavtra {
namespace {

using test::allOutputs;
using Log = std::vector<std::string>;

// The data bytes of the clock steps of one transfer, checking on the way that
// the whole sequence has the shape of a transfer from the state that
// Init_Outs leaves (control 0x03: pins 1 and 14 low, pin 17 high): per step a
// data write and one clock pulse, then a latch pulse and a final data write
// of 0.
std::vector<unsigned> transferBytes(const OutState& table) {
    test::LoggedPort port({0, 0, 0x03});
    LPT lpt(port.tap);
    UpdateOuts(table, lpt);
    const Log& log = port.log;
    EXPECT_EQ(log.size(), kTransferAccesses);
    EXPECT_EQ(port.writes().size(), kTransferWrites);
    std::vector<unsigned> bytes;
    if (log.size() != kTransferAccesses) return bytes;
    for (int s = 0; s < board::kStages; ++s) {
        const std::string& data = log[s * 5];
        EXPECT_EQ(data.substr(0, 8), "W 888 0x");
        bytes.push_back(static_cast<unsigned>(std::stoul(data.substr(8), nullptr, 16)));
        EXPECT_EQ((Log{log.begin() + s * 5 + 1, log.begin() + s * 5 + 5}),
                  (Log{"R 890 0x03", "W 890 0x02", "R 890 0x02", "W 890 0x03"}))
            << "clock pulse of step " << s + 1;
    }
    EXPECT_EQ((Log{log.begin() + 5 * board::kStages, log.end()}),
              (Log{"R 890 0x03", "W 890 0x01", "R 890 0x01", "W 890 0x03", "W 888 0x00"}));
    return bytes;
}

std::vector<unsigned> steps(unsigned first20, unsigned last20) {
    std::vector<unsigned> v(20, first20);
    v.insert(v.end(), 20, last20);
    return v;
}

TEST(UpdateOuts, AllOffStillSendsTheUnusedPositionsOfTheEighthChainAsOn) {
    EXPECT_EQ(transferBytes(allOutputs(1)), steps(0x00, 0x80));
}

TEST(UpdateOuts, AllOnWritesFFAtEveryStep) { EXPECT_EQ(transferBytes(allOutputs(0)), steps(0xFF, 0xFF)); }

TEST(UpdateOuts, SingleOutputsAppearOnTheirLineAndStep) {
    OutState only1 = allOutputs(1);
    only1[1] = 0;
    std::vector<unsigned> expect = steps(0x00, 0x80);
    expect[0] = 0x01;
    EXPECT_EQ(transferBytes(only1), expect);

    OutState only41 = allOutputs(1);
    only41[41] = 0;
    expect[0] = 0x02;
    EXPECT_EQ(transferBytes(only41), expect);

    OutState only300 = allOutputs(1);
    only300[300] = 0;
    expect = steps(0x00, 0x80);
    expect[19] = 0x80;
    EXPECT_EQ(transferBytes(only300), expect);
}

TEST(UpdateOuts, AnyNonZeroStateIsSentAsOff) {
    OutState t = allOutputs(0);
    t[5] = 5;
    t[6] = -1;
    t[7] = 32767;
    std::vector<unsigned> expect = steps(0xFF, 0xFF);
    expect[4] = expect[5] = expect[6] = 0xFE;
    EXPECT_EQ(transferBytes(t), expect);
}

TEST(InitOuts, WritesTheKnownStartSequence) {
    test::LoggedPort port;
    LPT lpt(port.tap);
    Init_Outs(lpt);
    EXPECT_EQ(port.writes(), (Log{"W 890 0x00", "W 888 0x00", "W 890 0x02", "W 890 0x03", "W 890 0x0b", "W 890 0x0a",
                                  "W 890 0x0b", "W 890 0x03"}));
    EXPECT_EQ(port.log.size(), 15u);  // 8 writes, 7 reads
}

TEST(InitOuts, KeepsPin16AndDropsTheDirectionBit) {
    test::LoggedPort port({0, 0, 0xE4});
    LPT lpt(port.tap);
    Init_Outs(lpt);
    EXPECT_EQ(port.writes().front(), "W 890 0x04");
    EXPECT_EQ(port.sim.registers().control, 0x07);
}

}  // namespace
}  // namespace kavtra
