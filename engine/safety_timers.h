#pragma once

#include <array>
#include <chrono>
#include <map>
#include <optional>

#include "engine/output_engine.h"
#include "engine/timers.h"
#include "engine/wall_clock.h"
#include "outputs/out_state.h"

namespace kavtra {

// Per output, the longest it may stay on. Whenever an output with a limit goes
// on, from whatever source, its deadline is set and saved in the same save of
// Data.dat as the step that switched it on, so that no crash leaves it on with
// nothing on disk to end it; at the deadline it goes off in a step of its own
// (source "timer"). A step that sets it on again while it is on starts its
// time anew; any step that leaves it off ends the timer. The timer fires by
// the steady clock of `timers`; the deadline is saved in calendar time, which
// is what a restart can compare with.
class SafetyTimers {
public:
    using Limits = std::map<int, std::chrono::milliseconds>;
    SafetyTimers(OutputEngine& engine, Timers& timers, const WallClock& clock);
    ~SafetyTimers();
    SafetyTimers(const SafetyTimers&) = delete;
    SafetyTimers& operator=(const SafetyTimers&) = delete;

    // The limits from now on (Rules.ini read again). An output on without a
    // timer that gets a limit gets a deadline from now; a limit removed ends
    // its timer; a running timer keeps its deadline unless the new limit
    // counted from now ends sooner. Saved at once when a deadline changed.
    void setLimits(Limits limits);
    const Limits& limits() const { return limits_; }

    // For the start sequence, after its policy and before its first transfer:
    // the deadlines saved by the last run, compared with the calendar. An
    // output that is on and whose deadline passed while the program was not
    // running goes off (a settle step, source "timer"); one whose deadline is
    // still to come runs for the time left; one on without a saved deadline
    // starts its full limit. Until this has run, saves leave the saved
    // deadlines as they are.
    void resume();

    // The time left of an output's running timer; nothing when none runs.
    std::optional<std::chrono::milliseconds> left(int output) const;
    std::optional<WallTime> deadline(int output) const { return deadline_.at(static_cast<std::size_t>(output)); }
    bool anyRunning() const;

private:
    void onSave(const OutputChange& change, const clsINI& data);
    void arm(int output, WallTime deadline);
    void disarm(int output);
    std::map<int, WallTime> deadlines() const;

    OutputEngine& engine_;
    OutputEngine::SaveHookId saveHook_;
    OwnTimers timers_;  // one per output
    const WallClock& clock_;
    Limits limits_;
    bool resumed_ = false;
    std::array<std::optional<WallTime>, OutState::kOutputs + 1> deadline_{};
    // When each running timer fires, by timers_' steady clock.
    std::array<std::optional<std::chrono::milliseconds>, OutState::kOutputs + 1> due_{};
};

}  // namespace kavtra
