#include "engine/interlocks.h"

#include <algorithm>
#include <map>

#include "persist/files/data_file.h"

namespace kavtra {

InterlockPlan planInterlocks(const std::vector<Interlock>& interlocks, const OutState& before,
                             const std::vector<std::pair<int, std::int16_t>>& requested, bool withDeadTime) {
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
        const bool othersWereOn = std::any_of(interlock.outputs.begin(), interlock.outputs.end(), [&](int output) {
            return output != keeper && before[output] == kStateOn;
        });
        if (withDeadTime && interlock.deadTime.count() > 0 && switchedOn(keeper) && othersWereOn) {
            codes[keeper] = before[keeper];
            plan.later.push_back(keeper);
            plan.wait = std::max(plan.wait, interlock.deadTime);
        }
        if (!hold.outputs.empty()) plan.held.push_back(std::move(hold));
    }
    plan.codes.assign(codes.begin(), codes.end());
    return plan;
}

}  // namespace kavtra
