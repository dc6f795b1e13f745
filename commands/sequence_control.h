#pragma once

#include <string>

#include "commands/reply.h"
#include "engine/source.h"

namespace kavtra {

// Whoever runs the sequences of Rules.ini: the command core hands it the
// requests that start, pause and stop one, from whatever source.
class SequenceControl {
public:
    virtual ~SequenceControl() = default;
    virtual Reply start(const std::string& name, const Source& source) = 0;
    virtual Reply pause(const std::string& name, const Source& source) = 0;
    virtual Reply stop(const std::string& name, const Source& source) = 0;
};

}  // namespace kavtra
