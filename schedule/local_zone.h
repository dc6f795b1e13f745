#pragma once

#include <chrono>
#include <vector>

namespace kavtra {

// The local time's rules: how far local time is ahead of UTC at each
// moment. The program's is the system's; tests pick a zone by name.
class LocalZone {
public:
    virtual ~LocalZone() = default;
    virtual std::chrono::seconds offsetAt(std::chrono::sys_seconds at) const = 0;
};

// The system's zone (the TZ variable and the zone data on Linux, the
// system's setting on Windows).
const LocalZone& systemZone();

std::chrono::local_seconds localTimeOf(const LocalZone& zone, std::chrono::sys_seconds at);
// The moments a local time names: none in a summer-time gap, two when the
// clock goes back over it, else one; in time order.
std::vector<std::chrono::sys_seconds> momentsOf(const LocalZone& zone, std::chrono::local_seconds local);

}  // namespace kavtra
