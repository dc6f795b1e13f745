#include "tests/qemu/scenario.h"

#include <cstdint>

#include "outputs/transfer.h"

namespace kavtra::qemu {
namespace {

constexpr std::int16_t kOn = 0;
constexpr std::int16_t kOff = 1;

template <typename Rule>
OutState tableOf(Rule rule) {
    OutState table;
    for (int n = 1; n <= OutState::kOutputs; ++n) table[n] = rule(n) ? kOn : kOff;
    return table;
}

// A fixed pseudo-random picture: no pattern a wiring fault could mimic.
bool scattered(int n) {
    std::uint32_t x = static_cast<std::uint32_t>(n) * 2654435761u;
    x ^= x >> 15;
    return (x & 1u) != 0;
}

}  // namespace

std::vector<OutState> ppdevTables() {
    return {
        tableOf([](int n) { return n % 3 == 1; }),
        tableOf([](int n) { return n == 1 || n == 41 || n == 300; }),
        tableOf(scattered),
    };
}

std::vector<OutState> directIoTables() {
    return {
        tableOf([](int) { return true; }),
        tableOf([](int n) { return !scattered(n); }),
    };
}

void runPhase(LPT& lpt, const std::vector<OutState>& tables, const std::function<void(int, bool)>& aroundTransfer) {
    Init_Outs(lpt);
    for (int i = 0; i < static_cast<int>(tables.size()); ++i) {
        if (aroundTransfer) aroundTransfer(i, false);
        UpdateOuts(tables[static_cast<std::size_t>(i)], lpt);
        if (aroundTransfer) aroundTransfer(i, true);
    }
    lpt.SetDataInput(true);
}

}  // namespace kavtra::qemu
