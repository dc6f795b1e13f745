#include "engine/output_pulses.h"

namespace kavtra {

OutputPulses::OutputPulses(OutputEngine& engine, Timers& timers) : engine_(engine), timers_(timers) {
    listener_ = engine_.addListener([this](const OutputChange& change) {
        if (changing_) return;
        for (int output : change.states) {
            if (!restingOn_[static_cast<std::size_t>(output)]) continue;
            restingOn_[static_cast<std::size_t>(output)].reset();
            timers_.stop(output);
        }
    });
}

OutputPulses::~OutputPulses() { engine_.removeListener(listener_); }

SaveOutcome OutputPulses::pulse(int output, int milliseconds, const Source& source) {
    std::optional<bool>& resting = restingOn_.at(static_cast<std::size_t>(output));
    const bool restingOn = resting.value_or(engine_.isOn(output));
    SaveOutcome outcome;
    if (engine_.isOn(output) == restingOn) outcome = setOwn({{output, !restingOn}}, source);
    resting = restingOn;
    timers_.start(output, std::chrono::milliseconds(milliseconds), [this, output] { returnOutput(output); });
    return outcome;
}

void OutputPulses::returnOutput(int output) {
    std::optional<bool>& resting = restingOn_[static_cast<std::size_t>(output)];
    if (!resting) return;
    const bool restingOn = *resting;
    resting.reset();
    setOwn({{output, restingOn}}, Source::Pulse);
}

void OutputPulses::returnAll() {
    std::vector<std::pair<int, bool>> returns;
    for (int output = 1; output <= OutState::kOutputs; ++output) {
        std::optional<bool>& resting = restingOn_[static_cast<std::size_t>(output)];
        if (!resting) continue;
        returns.emplace_back(output, *resting);
        resting.reset();
        timers_.stop(output);
    }
    if (!returns.empty()) setOwn(returns, Source::Pulse);
}

SaveOutcome OutputPulses::setOwn(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source) {
    // The listener must not take the pulses' own changes for someone else's.
    struct Own {
        bool& changing;
        explicit Own(bool& flag) : changing(flag) { changing = true; }
        ~Own() { changing = false; }
    } own(changing_);
    return engine_.set(outputsOn, source);
}

}  // namespace kavtra
