#include "outputs/transfer.h"

#include <array>

namespace kavtra {
namespace {

constexpr int kClockPin = 1;
constexpr int kLatchPin = 14;
constexpr int kInitPin = 17;
constexpr std::int16_t kLow = 0;
constexpr std::int16_t kHigh = 1;

}  // namespace

void UpdateOuts(const OutState& table, LPT& lpt, const InvertedOutputs& inverted) {
    // The data bytes of all steps (one per stage) first: chain by chain the
    // entries lie side by side, so this loop runs on whole vectors of them.
    std::array<std::uint8_t, board::kStages> bytes{};
    const std::int16_t* entries = table.entries() + 1;
    for (int chain = 0; chain < board::kChains; ++chain) {
        const std::int16_t* line = entries + board::kStages * chain;
        for (int s = 0; s < board::kStages; ++s) {
            // An output that is on (state 0) drives its register output high.
            bytes[s] = static_cast<std::uint8_t>(bytes[s] | ((line[s] == 0 ? 1u : 0u) << chain));
        }
    }
    // Apart from the loop above, which runs on whole vectors: a board of
    // plain outputs pays one test of an empty set.
    if (inverted.any())
        for (std::size_t n = 0; n < inverted.size(); ++n)
            if (inverted[n]) bytes[n % board::kStages] ^= static_cast<std::uint8_t>(1u << (n / board::kStages));
    for (int step = 1; step <= board::kStages; ++step) {
        lpt.DataPort(bytes[step - 1]);
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
