#pragma once

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace kavtra {

// What the benchmarks of latencies on the event loop share.
using Clock = std::chrono::steady_clock;

inline double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The value below which that share of them lie (0.5: the median).
inline double quantile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}
inline double median(std::vector<double> values) { return quantile(std::move(values), 0.5); }

// Runs the main thread's events, as the window's loop would, until `done`.
inline void serveUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
}

}  // namespace kavtra
