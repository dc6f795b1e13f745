#pragma once

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "engine/output_engine.h"
#include "engine/timers.h"
#include "outputs/out_state.h"

namespace kavtra {

// Pulses of outputs: an output takes the opposite of its resting state for a
// while, then returns to it. Both steps go through the engine like any other
// change (saved, sent, every view told); the return's source is the timer. A
// second pulse of the same output before the end keeps it in the pulsed
// state and replaces the pending return; any other change of that output
// (window, command, all on/off) cancels it, so a return never undoes a
// later, deliberate change.
class OutputPulses {
public:
    OutputPulses(OutputEngine& engine, Timers& timers);
    ~OutputPulses();
    OutputPulses(const OutputPulses&) = delete;
    OutputPulses& operator=(const OutputPulses&) = delete;

    SaveOutcome pulse(int output, int milliseconds, const Source& source);
    // Every pending return at once, in one change: so that the exit sequence
    // never keeps a pulsed state as the one to remember.
    void returnAll();
    bool pending(int output) const { return restingOn_.at(static_cast<std::size_t>(output)).has_value(); }

private:
    void returnOutput(int output);
    SaveOutcome setOwn(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source);

    OutputEngine& engine_;
    Timers& timers_;
    OutputEngine::ListenerId listener_;
    // Per output: its resting state while a return is pending.
    std::array<std::optional<bool>, OutState::kOutputs + 1> restingOn_;
    bool changing_ = false;
};

}  // namespace kavtra
