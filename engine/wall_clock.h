#pragma once

#include <chrono>
#include <functional>

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

// One call when the calendar reaches a time, however the clock gets there:
// by running, or by being set forward past it. Setting the clock back
// delays it. A second alarmAt replaces the pending one.
class WallAlarm {
public:
    virtual ~WallAlarm() = default;
    virtual void alarmAt(WallTime at, std::function<void()> due) = 0;
    virtual void cancelAlarm() = 0;
};

}  // namespace kavtra
