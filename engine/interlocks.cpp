#include "engine/interlocks.h"

#include <algorithm>
#include <map>

#include "persist/files/data_file.h"

namespace kavtra {

InterlockPlan planInterlocks(const std::vector<Interlock>& interlocks, const OutState& before,
                             const std::vector<std::pair<int, std::int16_t>>& requested, bool withDeadTime,
                             const OffAgo& offAgo) {
    std::map<int, std::int16_t> codes;  // what the step sets, ordered by output
    for (const auto& [output, code] : requested) codes[output] = code;
    const auto onAfter = [&](int output) {
        const auto set = codes.find(output);
        return (set != codes.end() ? set->second : before[output]) == kStateOn;
    };
    const std::map<int, std::int16_t> asked = codes;
    const auto askedOn = [&](int output) {
        const auto found = asked.find(output);
        return found != asked.end() && found->second == kStateOn;
    };
    const auto switchedOn = [&](int output) { return before[output] != kStateOn && onAfter(output); };

    InterlockPlan plan;
    for (const Interlock& interlock : interlocks) {
        std::vector<int> on;
        for (int output : interlock.outputs)
            if (onAfter(output)) on.push_back(output);
        if (on.empty()) continue;
        const auto firstAsked = std::find_if(on.begin(), on.end(), askedOn);
        const int keeper = firstAsked != on.end() ? *firstAsked : on.front();
        InterlockHold hold{interlock.name, {}};
        for (int output : on) {
            if (output == keeper) continue;
            codes[output] = kStateOff;
            hold.outputs.push_back(output);
        }
        // How long the keeper must still wait: the dead time after the last
        // of the others went off (or goes off now).
        std::chrono::milliseconds wait{0};
        for (int output : interlock.outputs) {
            if (output == keeper) continue;
            if (before[output] == kStateOn) {
                wait = interlock.deadTime;
            } else if (const auto ago = offAgo ? offAgo(output) : std::nullopt; ago && *ago < interlock.deadTime) {
                wait = std::max(wait, interlock.deadTime - *ago);
            }
        }
        if (withDeadTime && wait.count() > 0 && switchedOn(keeper)) {
            codes[keeper] = before[keeper];
            plan.later.push_back(keeper);
            plan.wait = std::max(plan.wait, wait);
        }
        if (!hold.outputs.empty()) plan.held.push_back(std::move(hold));
    }
    plan.codes.assign(codes.begin(), codes.end());
    return plan;
}

}  // namespace kavtra
