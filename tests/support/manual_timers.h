#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "engine/timers.h"
#include "engine/wall_clock.h"

namespace kavtra::test {

// The engine's delayed calls, on a clock the test moves. The calendar moves
// with it, and may also be set on its own, as a user sets the system clock.
class ManualTimers : public Timers, public WallClock, public WallAlarm {
public:
    void start(int id, std::chrono::milliseconds after, std::function<void()> due) override {
        pending_[id] = {now_ + after, std::move(due)};
    }
    void stop(int id) override { pending_.erase(id); }
    std::chrono::milliseconds now() const override { return now_; }
    WallTime wallNow() const override { return wallStart_ + now_; }
    void setWallClock(WallTime to) { wallStart_ = to - now_; }
    void alarmAt(WallTime at, std::function<void()> due) override { alarm_ = {at, std::move(due)}; }
    void cancelAlarm() override { alarm_.second = nullptr; }

    // When the next pending call falls due, if any.
    std::optional<std::chrono::milliseconds> nextDue() const {
        std::optional<std::chrono::milliseconds> next;
        for (const auto& [id, call] : pending_)
            if (!next || call.first < *next) next = call.first;
        return next;
    }

    // Moves the clock on and runs nothing: time spent inside a call that
    // blocks, such as a slow save.
    void pass(std::chrono::milliseconds by) { now_ += by; }

    // Moves the clock on, running every call that falls due on the way, in
    // the order of their times.
    void advance(std::chrono::milliseconds by) {
        const std::chrono::milliseconds end = now_ + by;
        for (;;) {
            auto next = pending_.end();
            for (auto it = pending_.begin(); it != pending_.end(); ++it)
                if (it->second.first <= end && (next == pending_.end() || it->second.first < next->second.first))
                    next = it;
            // The alarm falls due when the calendar reaches it, on the
            // steady clock as the calendar now stands.
            const std::chrono::milliseconds alarmDue = std::max(now_, now_ + (alarm_.first - wallNow()));
            if (alarm_.second && alarmDue <= end && (next == pending_.end() || alarmDue < next->second.first)) {
                now_ = alarmDue;
                const std::function<void()> due = std::move(alarm_.second);
                alarm_.second = nullptr;
                due();
                continue;
            }
            if (next == pending_.end()) break;
            now_ = next->second.first;
            const std::function<void()> due = std::move(next->second.second);
            pending_.erase(next);
            due();
        }
        now_ = end;
    }

private:
    std::chrono::milliseconds now_{0};
    std::pair<WallTime, std::function<void()>> alarm_;
    WallTime wallStart_{std::chrono::sys_days{std::chrono::year{2026} / 1 / 1}};
    std::map<int, std::pair<std::chrono::milliseconds, std::function<void()>>> pending_;
};

}  // namespace kavtra::test
