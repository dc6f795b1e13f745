#include "engine/output_pulses.h"

#include <algorithm>

#include "persist/files/data_file.h"

namespace kavtra {
namespace {

constexpr std::string_view kOn = " on";
constexpr std::string_view kOff = " off";

}  // namespace

OutputPulses::OutputPulses(OutputEngine& engine, Timers& timers, const WallClock& clock)
    : engine_(engine), timers_(timers, OutState::kOutputs), clock_(clock) {
    listener_ = engine_.addListener([this](const OutputChange& change) {
        if (changing_) return;
        for (int output : change.states) {
            // Any other request on its interlock ends a pulsed state's wait
            // first, so a step that finds it still waiting is its own latch.
            if (!restingOn_[static_cast<std::size_t>(output)] || starting_[static_cast<std::size_t>(output)]) continue;
            restingOn_[static_cast<std::size_t>(output)].reset();
            timers_.stop(output);
        }
    });
    saveHook_ = engine_.addSaveHook([this](const OutputChange& change, const clsINI& data) {
        if (!resumed_) return;
        // A step of someone else's cancels the returns of the outputs it
        // sets (the listener, told after this save, stops their timers).
        std::map<int, std::string> entries = savedReturns();
        if (!changing_)
            for (int output : change.states)
                if (!starting_[static_cast<std::size_t>(output)]) entries.erase(output);
        writeSavedEntries(data, kPulsesSection, entries);
    });
}

OutputPulses::~OutputPulses() {
    engine_.removeListener(listener_);
    engine_.removeSaveHook(saveHook_);
}

std::map<int, std::string> OutputPulses::savedReturns() const {
    std::map<int, std::string> entries;
    for (int output = 1; output <= OutState::kOutputs; ++output)
        if (const auto& resting = restingOn_[static_cast<std::size_t>(output)])
            entries[output] = savedTimeText(returnAt_[static_cast<std::size_t>(output)]) +
                              std::string(*resting ? kOn : kOff);
    return entries;
}

void OutputPulses::wait(int output, std::chrono::milliseconds after) {
    timers_.start(output, after, [this, output] { returnOutput(output); });
}

SaveOutcome OutputPulses::pulse(int output, int milliseconds, const Source& source, WhenLatched whenLatched) {
    const auto index = static_cast<std::size_t>(output);
    std::optional<bool>& resting = restingOn_.at(index);
    const bool restingOn = resting.value_or(engine_.isOn(output));
    const auto after = std::chrono::milliseconds(milliseconds);
    // Known before the step, so that its save holds the return.
    resting = restingOn;
    returnAt_[index] = clock_.wallNow() + after;
    if (engine_.isOn(output) != restingOn) {
        wait(output, after);
        const SaveOutcome outcome = engine_.SaveList();
        if (whenLatched) whenLatched({false, outcome});
        return outcome;
    }
    // The pulse lasts from the latch that switches the output: an interlock's
    // dead time may hold that back.
    starting_[index] = true;
    return setOwn({{output, !restingOn}}, source, false, [this, index, output, after, whenLatched](const Latched& end) {
        starting_[index] = false;
        if (end.cancelled) {
            restingOn_[index].reset();
        } else {
            returnAt_[index] = clock_.wallNow() + after;
            wait(output, after);
        }
        if (whenLatched) whenLatched(end);
    });
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

void OutputPulses::resume() {
    resumed_ = true;
    const std::map<int, std::string> saved = savedEntries(engine_.dataFile(), kPulsesSection);
    std::vector<std::pair<int, bool>> due;
    for (const auto& [output, text] : saved) {
        const std::string_view entry = text;
        const bool on = entry.ends_with(kOn);
        if (!on && !entry.ends_with(kOff)) continue;
        const std::optional<SavedTime> at = savedTime(entry.substr(0, entry.size() - (on ? kOn : kOff).size()));
        if (!at || engine_.isOn(output) == on) continue;
        const std::chrono::milliseconds after = *at - clock_.wallNow();
        if (after <= std::chrono::milliseconds(0)) {
            due.emplace_back(output, on);
            continue;
        }
        restingOn_[static_cast<std::size_t>(output)] = on;
        // A clock put back since must not stretch a pulse beyond the longest.
        returnAt_[static_cast<std::size_t>(output)] = clock_.wallNow() + std::min(after, kLongestPulse);
        wait(output, std::min(after, kLongestPulse));
    }
    if (!due.empty())
        setOwn(due, Source::Pulse, true);
    else if (savedReturns() != saved)
        engine_.SaveList();
}

SaveOutcome OutputPulses::setOwn(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source, bool settle,
                                 WhenLatched whenLatched) {
    // The listener must not take the pulses' own changes for someone else's.
    struct Own {
        bool& changing;
        explicit Own(bool& flag) : changing(flag) { changing = true; }
        ~Own() { changing = false; }
    } own(changing_);
    return settle ? engine_.settle(outputsOn, source) : engine_.set(outputsOn, source, std::move(whenLatched));
}

}  // namespace kavtra
