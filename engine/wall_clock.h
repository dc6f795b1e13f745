#pragma once

#include <chrono>

namespace kavtra {

using WallTime = std::chrono::sys_time<std::chrono::milliseconds>;

// The calendar's time (UTC), which a user or the network may set: what
// schedules and saved deadlines are kept in. Timers measure durations on
// their own steady clock instead.
class WallClock {
public:
    virtual ~WallClock() = default;
    virtual WallTime wallNow() const = 0;
};

// The system's own.
class SystemWallClock : public WallClock {
public:
    WallTime wallNow() const override {
        return std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());
    }
};

}  // namespace kavtra
