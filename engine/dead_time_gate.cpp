#include "engine/dead_time_gate.h"

#include <algorithm>

#include "persist/files/data_file.h"

namespace kavtra {

DeadTimeGate::DeadTimeGate(Timers& timers, std::function<void(Waiting)> due)
    : timers_(timers, OutState::kOutputs), due_(std::move(due)) {}

InterlockPlan DeadTimeGate::plan(const OutState& before, const std::vector<std::pair<int, std::int16_t>>& requested,
                                 bool withDeadTime) const {
    return planInterlocks(interlocks_, before, requested, withDeadTime, offAgo());
}

void DeadTimeGate::cancel(const std::vector<std::pair<int, std::int16_t>>& requested) {
    const auto touched = [&](int waitingOutput) {
        for (const Interlock& interlock : interlocks_) {
            const auto& members = interlock.outputs;
            if (std::find(members.begin(), members.end(), waitingOutput) == members.end()) continue;
            for (const auto& [output, code] : requested)
                if (std::find(members.begin(), members.end(), output) != members.end()) return true;
        }
        return false;
    };
    std::vector<WhenLatched> cancelled;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        Waiting& waiting = it->second;
        if (std::erase_if(waiting.outputs, touched) > 0) waiting.cancelledSome = true;
        if (waiting.outputs.empty()) {
            timers_.stop(it->first);
            if (waiting.whenLatched) cancelled.push_back(std::move(waiting.whenLatched));
            it = waiting_.erase(it);
        } else {
            ++it;
        }
    }
    for (const WhenLatched& whenLatched : cancelled) whenLatched({true, {}});
}

void DeadTimeGate::wait(std::chrono::milliseconds after, Waiting waiting) {
    // The smallest free id: each id's timer is kept for good.
    int id = 1;
    while (waiting_.count(id)) ++id;
    waiting_[id] = std::move(waiting);
    timers_.start(id, after, [this, id] {
        const auto found = waiting_.find(id);
        if (found == waiting_.end()) return;
        Waiting due = std::move(found->second);
        waiting_.erase(found);
        due_(std::move(due));
    });
}

void DeadTimeGate::switchedOff(int output) {
    if (std::find(offUnlatched_.begin(), offUnlatched_.end(), output) == offUnlatched_.end())
        offUnlatched_.push_back(output);
}

void DeadTimeGate::latched(const OutState& states) {
    for (int output : offUnlatched_)
        if (states[output] != kStateOn) offAt_[output] = timers_.now();
    offUnlatched_.clear();
}

OffAgo DeadTimeGate::offAgo() const {
    return [this](int output) -> std::optional<std::chrono::milliseconds> {
        // Off in the states but not on the port yet: its dead time has not begun.
        if (std::find(offUnlatched_.begin(), offUnlatched_.end(), output) != offUnlatched_.end())
            return std::chrono::milliseconds(0);
        if (!offAt_[output]) return std::nullopt;
        return timers_.now() - *offAt_[output];
    };
}

}  // namespace kavtra
