#pragma once

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace kavtra {

// What the benchmarks of latencies on the event loop share.
using Clock = std::chrono::steady_clock;

inline double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Runs the main thread's events, as the window's loop would, until `done`.
inline void serveUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
}

}  // namespace kavtra
