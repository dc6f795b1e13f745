#pragma once

#include "outputs/out_state.h"
#include "port/lpt.h"

namespace kavtra {

inline constexpr int kClockSteps = 40;
inline constexpr int kChains = 8;

// Shifts all 320 bit positions of the table out to the eight chains and
// latches them: 123 register writes and 82 reads, no waits.
void UpdateOuts(const OutState& table, LPT& lpt);

// Brings the port and the register lines into their known start state: data
// lines driven and low, one clock pulse while pin 17 is low, pin 17 high.
void Init_Outs(LPT& lpt);

}  // namespace kavtra
