#include "commands/request_batch.h"

#include <algorithm>
#include <map>
#include <set>

namespace kavtra {
namespace {

bool mergeable(const Command& command) {
    const SetCommand* set = std::get_if<SetCommand>(&command);
    return set && !set->outputs.empty() && std::all_of(set->outputs.begin(), set->outputs.end(), [](const auto& entry) {
               return entry.first.group.empty();
           });
}

// The set being built, and what it touches.
class OpenStep {
public:
    explicit OpenStep(const std::vector<Interlock>& interlocks) : interlocks_(interlocks) {}

    bool empty() const { return set_.outputs.empty(); }

    bool canTake(const SetCommand& more) const {
        for (const auto& [target, action] : more.outputs) {
            if (action == Switch::Toggle && where_.count(target.output)) return false;
            for (std::size_t i = 0; i < interlocks_.size(); ++i) {
                if (!isMember(i, target.output)) continue;
                if (interlocksTouched_.count(i)) return false;
                // A step waits the longest dead time of its interlocks: two
                // interlocks' waits in one step would both be the longer.
                if (interlocks_[i].deadTime.count() > 0 && touchesDeadTime()) return false;
            }
        }
        return true;
    }

    void take(const SetCommand& more) {
        for (const auto& [target, action] : more.outputs) {
            const auto found = where_.find(target.output);
            if (found != where_.end()) {
                set_.outputs[found->second].second = action;
            } else {
                where_.emplace(target.output, set_.outputs.size());
                set_.outputs.emplace_back(target, action);
            }
            for (std::size_t i = 0; i < interlocks_.size(); ++i)
                if (isMember(i, target.output)) interlocksTouched_.insert(i);
        }
    }

    // The step as it stands; this one is left empty.
    Command close() {
        Command step(std::move(set_));
        set_ = {};
        where_.clear();
        interlocksTouched_.clear();
        return step;
    }

private:
    bool touchesDeadTime() const {
        return std::any_of(interlocksTouched_.begin(), interlocksTouched_.end(),
                           [&](std::size_t i) { return interlocks_[i].deadTime.count() > 0; });
    }
    bool isMember(std::size_t interlock, int output) const {
        const std::vector<int>& members = interlocks_[interlock].outputs;
        return std::binary_search(members.begin(), members.end(), output);
    }

    const std::vector<Interlock>& interlocks_;
    SetCommand set_;
    std::map<int, std::size_t> where_;  // output, its entry in set_
    std::set<std::size_t> interlocksTouched_;
};

}  // namespace

std::vector<Command> mergeIntoSteps(const std::vector<Command>& commands, const std::vector<Interlock>& interlocks) {
    std::vector<Command> steps;
    OpenStep open(interlocks);
    for (const Command& command : commands) {
        const bool joins = mergeable(command);
        if (!open.empty() && !(joins && open.canTake(std::get<SetCommand>(command)))) steps.push_back(open.close());
        if (joins)
            open.take(std::get<SetCommand>(command));
        else
            steps.push_back(command);
    }
    if (!open.empty()) steps.push_back(open.close());
    return steps;
}

}  // namespace kavtra
