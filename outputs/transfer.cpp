#include "outputs/transfer.h"

namespace kavtra {
namespace {

constexpr int kClockPin = 1;
constexpr int kLatchPin = 14;
constexpr int kInitPin = 17;
constexpr std::int16_t kLow = 0;
constexpr std::int16_t kHigh = 1;

}  // namespace

void UpdateOuts(const OutState& table, LPT& lpt) {
    for (int step = 1; step <= kClockSteps; ++step) {
        std::int16_t data = 0;
        for (int chain = 0; chain < kChains; ++chain) {
            // An output that is on (state 0) drives its register output high.
            if (table[step + kClockSteps * chain] == 0) data = static_cast<std::int16_t>(data | (1 << chain));
        }
        lpt.DataPort(data);
        lpt.PortPin(kClockPin, kHigh);
        lpt.PortPin(kClockPin, kLow);
    }
    lpt.PortPin(kLatchPin, kHigh);
    lpt.PortPin(kLatchPin, kLow);
    lpt.DataPort(0);
}

void Init_Outs(LPT& lpt) {
    lpt.SetDataInput(false);
    lpt.DataPort(0);
    lpt.PortPin(kLatchPin, kLow);
    lpt.PortPin(kClockPin, kLow);
    lpt.PortPin(kInitPin, kLow);
    lpt.PortPin(kClockPin, kHigh);
    lpt.PortPin(kClockPin, kLow);
    lpt.PortPin(kInitPin, kHigh);
}

}  // namespace kavtra
