#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kavtra {

// What MQTT needs of the outputs: read them, and switch several in one step
// (one save, one transfer).
class OutputAccess {
public:
    virtual ~OutputAccess() = default;
    virtual bool isOn(int output) const = 0;
    virtual std::string name(int output) const = 0;
    virtual void set(const std::vector<std::pair<int, bool>>& outputsOn) = 0;
};

}  // namespace kavtra
