#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/wall_clock.h"

namespace kavtra {

// One output as every transport shows it: --get's and the socket's line, the
// page's and the API's object, MQTT's state and attributes, the window's row.
struct OutputView {
    int output = 0;
    std::string name;
    bool on = false;
    // Of a running limit: the time left, and when it ends on the calendar.
    std::optional<std::chrono::milliseconds> left{};
    std::optional<WallTime> deadline{};
    bool operator==(const OutputView&) const = default;

    // The time left in whole seconds, a started second counted whole, so
    // that 0 never shows while the limit still runs.
    std::optional<std::int64_t> secondsLeft() const {
        if (!left) return std::nullopt;
        return std::chrono::ceil<std::chrono::seconds>(*left).count();
    }
};

// `get`'s line: "N<TAB>on|off<TAB>name", and for an output whose limit is
// running, "<TAB>" and its seconds left with their unit ("17s").
std::string outputLine(const OutputView& view);

}  // namespace kavtra
