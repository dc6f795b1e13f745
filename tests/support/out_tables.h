#pragma once

#include <cstdint>

#include "outputs/out_state.h"

namespace kavtra::test {

// A table with every output in one state; the entries beyond the outputs
// stay 0, as in the program.
inline OutState allOutputs(std::int16_t state) {
    OutState table;
    for (int n = 1; n <= board::kOutputs; ++n) table[n] = state;
    return table;
}

}  // namespace kavtra::test
