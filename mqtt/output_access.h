#pragma once

#include <functional>
#include <optional>
#include <string>

#include "commands/command.h"
#include "commands/reply.h"
#include "commands/stats_view.h"

namespace kavtra {

// What MQTT needs of the outputs: read them, and have a received command
// carried out (a set of several outputs in one step: one save, one transfer),
// answered once its outputs are latched (after an interlock's dead time, it
// may be later).
class OutputAccess {
public:
    virtual ~OutputAccess() = default;
    virtual bool isOn(int output) const = 0;
    virtual std::string name(int output) const = 0;
    // When its running limit switches it off (savedTimeText), empty for none.
    virtual std::string deadline(int /*output*/) const { return {}; }
    // Its counters; nothing where none are kept.
    virtual std::optional<StatsView> stats(int /*output*/) const { return std::nullopt; }
    virtual void apply(const Command& command, std::function<void(const Reply&)> answer) = 0;
};

}  // namespace kavtra
