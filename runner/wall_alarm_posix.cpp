#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

#include "runner/wall_alarm.h"

namespace kavtra {

struct SystemWallAlarm::Handle {
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
};

SystemWallAlarm::SystemWallAlarm(QObject* parent) : QObject(parent), handle_(std::make_unique<Handle>()) {
    handle_->fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (handle_->fd < 0) throw std::runtime_error("timerfd_create");
    handle_->notifier = new QSocketNotifier(handle_->fd, QSocketNotifier::Read, this);
    connect(handle_->notifier, &QSocketNotifier::activated, this, [this] {
        std::uint64_t expirations = 0;
        if (::read(handle_->fd, &expirations, sizeof expirations) == sizeof expirations) fired();
    });
}

SystemWallAlarm::~SystemWallAlarm() {
    delete handle_->notifier;
    ::close(handle_->fd);
}

void SystemWallAlarm::alarmAt(WallTime at, std::function<void()> due) {
    due_ = std::move(due);
    const auto sinceEpoch = at.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(seconds.count());
    when.it_value.tv_nsec = static_cast<long>(std::chrono::nanoseconds(sinceEpoch - seconds).count());
    // A zero time would disarm the timer: the epoch itself is long past.
    if (when.it_value.tv_sec <= 0) when.it_value = {0, 1};
    ::timerfd_settime(handle_->fd, TFD_TIMER_ABSTIME, &when, nullptr);
}

void SystemWallAlarm::cancelAlarm() {
    due_ = nullptr;
    const itimerspec never{};
    ::timerfd_settime(handle_->fd, TFD_TIMER_ABSTIME, &never, nullptr);
}

}  // namespace kavtra
