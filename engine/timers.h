#pragma once

#include <chrono>
#include <functional>

namespace kavtra {

// Calls made later on the engine's thread, one pending call per id. The
// program's come from its event loop; tests move time themselves.
class Timers {
public:
    virtual ~Timers() = default;
    // `due` runs once, `after` from now; a second start of the same id
    // replaces the pending call.
    virtual void start(int id, std::chrono::milliseconds after, std::function<void()> due) = 0;
    virtual void stop(int id) = 0;
    // A monotonic time, for measuring how long ago something happened.
    virtual std::chrono::milliseconds now() const = 0;
};

}  // namespace kavtra
