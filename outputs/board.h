#pragma once

// The board on the port: data line k (pin k + 2) feeds chain k of kStages
// serial-in, latched-output stages, and the first kOutputs of the
// kChains * kStages stages carry loads. Output 40k + i sits at stage 41 - i
// of chain k, so a transfer clocks every chain once per stage.
namespace kavtra::board {

inline constexpr int kChains = 8;
inline constexpr int kStages = 40;
inline constexpr int kOutputs = 300;

}  // namespace kavtra::board
