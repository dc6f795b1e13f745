#pragma once

#include <bitset>
#include <cstddef>

#include "outputs/board.h"
#include "outputs/out_state.h"
#include "port/lpt.h"

namespace kavtra {

// The register accesses of one transfer: per stage a data write and a pulse
// on pin 1, then a pulse on pin 14 and the data lines set low; every pin
// change reads the control register before it writes it.
inline constexpr std::size_t kTransferWrites = 3 * board::kStages + 3;
inline constexpr std::size_t kTransferReads = 2 * board::kStages + 2;
inline constexpr std::size_t kTransferAccesses = kTransferWrites + kTransferReads;

// Bit n - 1 set: output n drives a load that switches on at a low input (as
// most ready-made relay modules do), so its register bit is the opposite of
// its state.
using InvertedOutputs = std::bitset<board::kOutputs>;

// Shifts all 320 bit positions of the table out to the eight chains and
// latches them: kTransferWrites (123) register writes and kTransferReads (82)
// reads, no waits. The latch changes every output at once, so a change of
// `inverted` never shows a level between the old picture and the new.
void UpdateOuts(const OutState& table, LPT& lpt, const InvertedOutputs& inverted = {});

// Brings the port and the register lines into their known start state: data
// lines driven and low, one clock pulse while pin 17 is low, pin 17 high.
void Init_Outs(LPT& lpt);

}  // namespace kavtra
