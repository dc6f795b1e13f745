#pragma once

#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/output_engine.h"
#include "engine/timers.h"
#include "engine/wall_clock.h"
#include "outputs/out_state.h"

namespace kavtra {

// The longest a pulse lasts; a return resumed after a restart never waits longer.
inline constexpr std::chrono::milliseconds kLongestPulse{600000};

// Pulses of outputs: an output takes the opposite of its resting state for a
// while, then returns to it. Both steps go through the engine like any other
// change (saved, sent, every view told); the return's source is the timer. A
// second pulse of the same output before the end keeps it in the pulsed
// state and replaces the pending return; any other change of that output
// (window, command, all on/off) cancels it, so a return never undoes a
// later, deliberate change. A pending return is saved in Data.dat with the
// step that pulsed, in calendar time, so that a restart still makes it.
class OutputPulses {
public:
    OutputPulses(OutputEngine& engine, Timers& timers, const WallClock& clock);
    ~OutputPulses();
    OutputPulses(const OutputPulses&) = delete;
    OutputPulses& operator=(const OutputPulses&) = delete;

    // The time counts from the latch of the pulsed state, which an
    // interlock's dead time may hold back (`whenLatched` then says when).
    SaveOutcome pulse(int output, int milliseconds, const Source& source, WhenLatched whenLatched = {});
    // Every pending return at once, in one change: so that the exit sequence
    // never keeps a pulsed state as the one to remember.
    void returnAll();
    bool pending(int output) const { return restingOn_.at(static_cast<std::size_t>(output)).has_value(); }

    // For the start sequence, after its policy and before its first transfer:
    // the returns the last run saved. One whose output is still in its pulsed
    // state comes due as saved; one due already returns at once (a settle
    // step, source "pulse"). An output the policy left in its resting state
    // has nothing to return. Until this has run, saves leave the saved
    // returns as they are.
    void resume();

private:
    void returnOutput(int output);
    SaveOutcome setOwn(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source, bool settle = false,
                       WhenLatched whenLatched = {});
    void wait(int output, std::chrono::milliseconds after);
    std::map<int, std::string> savedReturns() const;

    OutputEngine& engine_;
    OwnTimers timers_;  // one per output
    const WallClock& clock_;
    OutputEngine::ListenerId listener_;
    OutputEngine::SaveHookId saveHook_;
    // Per output: its resting state while a return is pending, and when.
    std::array<std::optional<bool>, OutState::kOutputs + 1> restingOn_;
    std::array<WallTime, OutState::kOutputs + 1> returnAt_{};
    // Outputs whose pulsed state waits for an interlock's dead time.
    std::array<bool, OutState::kOutputs + 1> starting_{};
    bool changing_ = false;
    bool resumed_ = false;
};

}  // namespace kavtra
