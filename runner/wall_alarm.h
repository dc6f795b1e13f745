#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "engine/wall_clock.h"

namespace kavtra {

// The system's calendar alarm on the event loop of the thread that made it:
// the kernel wakes the program at the time on the calendar (a timer on the
// real-time clock with an absolute time on Linux, an absolute waitable timer
// on Windows), so a clock set forward fires it at once and nothing polls.
class SystemWallAlarm : public QObject, public WallClock, public WallAlarm {
public:
    explicit SystemWallAlarm(QObject* parent = nullptr);
    ~SystemWallAlarm() override;

    WallTime wallNow() const override { return SystemWallClock().wallNow(); }
    void alarmAt(WallTime at, std::function<void()> due) override;
    void cancelAlarm() override;

private:
    struct Handle;
    void fired();

    std::unique_ptr<Handle> handle_;
    std::function<void()> due_;
};

}  // namespace kavtra
