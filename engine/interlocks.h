#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "outputs/out_state.h"

namespace kavtra {

// Outputs of which at most one may be on. With a dead time, one goes on only
// that long after the others were switched off.
struct Interlock {
    std::string name;
    std::vector<int> outputs;  // at least two, 1..300, ascending
    std::chrono::milliseconds deadTime{0};
    bool operator==(const Interlock&) const = default;
};

// Outputs an interlock switched off, or kept off against the request, in
// one step.
struct InterlockHold {
    std::string interlock;
    std::vector<int> outputs;
    bool operator==(const InterlockHold&) const = default;
};

// What a step really does once the interlocks have ruled on it.
struct InterlockPlan {
    // The state codes this step sets, in output order: the request's, with
    // the outputs the interlocks switch off or keep off.
    std::vector<std::pair<int, std::int16_t>> codes;
    // Outputs that go on only after `wait`, once the step with the others
    // off has reached the port.
    std::vector<int> later;
    std::chrono::milliseconds wait{0};
    std::vector<InterlockHold> held;
};

// The rule, as one function of the states before a step and what the step
// asks for (codes per output, later ones winning). Of two or more outputs of
// an interlock the step would leave on, the lowest-numbered that the step
// asks to be on stays on (or, when it asks none of them, the lowest-numbered
// that is on); the others go off. `withDeadTime` false
// applies no dead time: for the start and exit policies, whose states reach
// the port in a transfer of their own. An output goes on only once every
// other output of its interlocks has been off for the dead time: `offAgo`
// says how long ago an output last went off, where that is known.
using OffAgo = std::function<std::optional<std::chrono::milliseconds>(int output)>;
InterlockPlan planInterlocks(const std::vector<Interlock>& interlocks, const OutState& before,
                             const std::vector<std::pair<int, std::int16_t>>& requested, bool withDeadTime,
                             const OffAgo& offAgo = {});

}  // namespace kavtra
