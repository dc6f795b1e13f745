#pragma once

#include <string>

#include "commands/command.h"
#include "commands/reply.h"

namespace kavtra {

// What MQTT needs of the outputs: read them, and have a received command
// carried out (a set of several outputs in one step: one save, one transfer).
class OutputAccess {
public:
    virtual ~OutputAccess() = default;
    virtual bool isOn(int output) const = 0;
    virtual std::string name(int output) const = 0;
    // When its running limit switches it off (savedTimeText), empty for none.
    virtual std::string deadline(int /*output*/) const { return {}; }
    virtual Reply apply(const Command& command) = 0;
};

}  // namespace kavtra
