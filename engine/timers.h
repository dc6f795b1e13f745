#pragma once

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace kavtra {

// Calls made later on the engine's thread, one pending call per id. The
// program's come from its event loop; tests move time themselves. Parts
// share one and take their ids through OwnTimers, so that none cancels or
// replaces another's call.
class Timers {
public:
    virtual ~Timers() = default;
    // `due` runs once, `after` from now; a second start of the same id
    // replaces the pending call.
    virtual void start(int id, std::chrono::milliseconds after, std::function<void()> due) = 0;
    virtual void stop(int id) = 0;
    // A monotonic time, for measuring how long ago something happened.
    virtual std::chrono::milliseconds now() const = 0;

    // The first of `count` ids given to no one else.
    int reserve(int count) {
        const int first = next_;
        next_ += count;
        return first;
    }

private:
    int next_ = 0;
};

// One part's ids on a Timers, numbered 1 to `count`: its own, whoever else
// the Timers serves. A number outside them throws std::out_of_range.
class OwnTimers {
public:
    OwnTimers(Timers& timers, int count) : timers_(timers), first_(timers.reserve(count)), count_(count) {}
    OwnTimers(const OwnTimers&) = delete;
    OwnTimers& operator=(const OwnTimers&) = delete;

    void start(int n, std::chrono::milliseconds after, std::function<void()> due) {
        timers_.start(id(n), after, std::move(due));
    }
    void stop(int n) { timers_.stop(id(n)); }
    std::chrono::milliseconds now() const { return timers_.now(); }

private:
    int id(int n) const {
        if (n < 1 || n > count_) throw std::out_of_range("timer " + std::to_string(n));
        return first_ + n - 1;
    }

    Timers& timers_;
    const int first_;
    const int count_;
};

}  // namespace kavtra
