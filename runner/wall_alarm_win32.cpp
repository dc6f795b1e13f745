#include <QWinEventNotifier>

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "runner/wall_alarm.h"

namespace kavtra {
namespace {

// FILETIME counts 100 ns from 1601-01-01, UTC.
constexpr long long kFileTimeToUnix = 116444736000000000LL;

}  // namespace

struct SystemWallAlarm::Handle {
    HANDLE timer = nullptr;
    QWinEventNotifier* notifier = nullptr;
};

SystemWallAlarm::SystemWallAlarm(QObject* parent) : QObject(parent), handle_(std::make_unique<Handle>()) {
    // Not manual-reset: the notifier's wait takes the signal with it.
    handle_->timer = ::CreateWaitableTimerW(nullptr, FALSE, nullptr);
    if (!handle_->timer) throw std::runtime_error("CreateWaitableTimer");
    handle_->notifier = new QWinEventNotifier(handle_->timer, this);
    connect(handle_->notifier, &QWinEventNotifier::activated, this, [this] { fired(); });
}

SystemWallAlarm::~SystemWallAlarm() {
    delete handle_->notifier;
    ::CloseHandle(handle_->timer);
}

void SystemWallAlarm::alarmAt(WallTime at, std::function<void()> due) {
    due_ = std::move(due);
    // A positive due time is absolute, on the system's calendar: Windows
    // moves it with the clock when the clock is set.
    LARGE_INTEGER when;
    when.QuadPart = std::max(1LL, at.time_since_epoch().count() * 10000LL + kFileTimeToUnix);
    ::SetWaitableTimer(handle_->timer, &when, 0, nullptr, nullptr, FALSE);
}

void SystemWallAlarm::cancelAlarm() {
    due_ = nullptr;
    ::CancelWaitableTimer(handle_->timer);
}

}  // namespace kavtra
