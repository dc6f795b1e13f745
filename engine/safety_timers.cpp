#include "engine/safety_timers.h"

#include <algorithm>

#include "persist/files/data_file.h"

namespace kavtra {

SafetyTimers::SafetyTimers(OutputEngine& engine, Timers& timers, const WallClock& clock)
    : engine_(engine),
      saveHook_(engine_.addSaveHook([this](const OutputChange& change, const clsINI& data) { onSave(change, data); })),
      timers_(timers, OutState::kOutputs),
      clock_(clock) {}

SafetyTimers::~SafetyTimers() { engine_.removeSaveHook(saveHook_); }

void SafetyTimers::onSave(const OutputChange& change, const clsINI& data) {
    // Before the start has read the last run's deadlines there is nothing of
    // this run's to save, and writing would lose those.
    if (!resumed_) return;
    std::array<bool, OutState::kOutputs + 1> setOn{};
    for (int output : change.states) setOn[static_cast<std::size_t>(output)] = engine_.isOn(output);
    for (int output = 1; output <= OutState::kOutputs; ++output) {
        const auto limit = limits_.find(output);
        if (limit == limits_.end() || !engine_.isOn(output))
            disarm(output);
        else if (!deadline_[static_cast<std::size_t>(output)] || setOn[static_cast<std::size_t>(output)])
            arm(output, clock_.wallNow() + limit->second);
    }
    std::map<int, std::string> entries;
    for (const auto& [output, time] : deadlines()) entries[output] = savedTimeText(time);
    writeSavedEntries(data, kTimersSection, entries);
}

void SafetyTimers::arm(int output, WallTime deadline) {
    const auto index = static_cast<std::size_t>(output);
    // Never longer than the limit from now, whatever the calendar did since
    // the deadline was set: a clock put back must not stretch a limit.
    const std::chrono::milliseconds limit = limits_.at(output);
    const std::chrono::milliseconds after =
        std::clamp(deadline - clock_.wallNow(), std::chrono::milliseconds(0), limit);
    deadline_[index] = clock_.wallNow() + after;
    due_[index] = timers_.now() + after;
    timers_.start(output, after, [this, output] {
        due_[static_cast<std::size_t>(output)].reset();
        engine_.set({{output, false}}, Source::Timer);
    });
}

void SafetyTimers::disarm(int output) {
    const auto index = static_cast<std::size_t>(output);
    if (!deadline_[index] && !due_[index]) return;
    deadline_[index].reset();
    due_[index].reset();
    timers_.stop(output);
}

std::map<int, WallTime> SafetyTimers::deadlines() const {
    std::map<int, WallTime> all;
    for (int output = 1; output <= OutState::kOutputs; ++output)
        if (const auto& time = deadline_[static_cast<std::size_t>(output)]) all[output] = *time;
    return all;
}

void SafetyTimers::setLimits(Limits limits) {
    limits_ = std::move(limits);
    if (!resumed_) return;
    const std::map<int, WallTime> before = deadlines();
    for (int output = 1; output <= OutState::kOutputs; ++output) {
        const auto limit = limits_.find(output);
        const auto& deadline = deadline_[static_cast<std::size_t>(output)];
        if (limit == limits_.end() || !engine_.isOn(output))
            disarm(output);
        else if (!deadline || *deadline > clock_.wallNow() + limit->second)
            arm(output, clock_.wallNow() + limit->second);
    }
    if (deadlines() != before) engine_.SaveList();
}

void SafetyTimers::resume() {
    resumed_ = true;
    std::map<int, WallTime> saved;
    for (const auto& [output, text] : savedEntries(engine_.dataFile(), kTimersSection))
        if (const auto time = savedTime(text)) saved[output] = *time;
    std::vector<std::pair<int, bool>> ended;
    for (int output = 1; output <= OutState::kOutputs; ++output) {
        const auto limit = limits_.find(output);
        if (limit == limits_.end() || !engine_.isOn(output)) continue;
        const auto time = saved.find(output);
        if (time == saved.end())
            arm(output, clock_.wallNow() + limit->second);
        else if (time->second <= clock_.wallNow())
            ended.emplace_back(output, false);
        else
            arm(output, time->second);
    }
    // The step's save writes the deadlines as they are now; without a step,
    // a save only when they differ from the file's.
    if (!ended.empty())
        engine_.settle(ended, Source::Timer);
    else if (deadlines() != saved)
        engine_.SaveList();
}

std::optional<std::chrono::milliseconds> SafetyTimers::left(int output) const {
    const auto& due = due_.at(static_cast<std::size_t>(output));
    if (!due) return std::nullopt;
    return std::max(*due - timers_.now(), std::chrono::milliseconds(0));
}

bool SafetyTimers::anyRunning() const {
    return std::any_of(due_.begin(), due_.end(), [](const auto& due) { return due.has_value(); });
}

}  // namespace kavtra
