#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "counters/counter_record.h"

namespace kavtra {

// An output's counters as every transport shows them: --stats's line, the
// API's object, Home Assistant's sensors, the window's tooltip.
struct StatsView {
    int output = 0;
    OutputTally tally;
    std::optional<double> watts{};  // [Power] of Rules.ini, where set

    // Whole seconds, the started one not counted.
    static std::int64_t seconds(std::chrono::milliseconds time) {
        return std::chrono::floor<std::chrono::seconds>(time).count();
    }
    // The energy of the time on in all, where a power is set.
    std::optional<double> kilowattHours() const {
        if (!watts) return std::nullopt;
        return *watts * static_cast<double>(tally.total.count()) / 3'600'000'000.0;
    }
};

// A number as the API and Home Assistant take it: at most three places
// after the point (a watt-hour of kilowatt-hours), no trailing zeros.
std::string decimalText(double value);

// The window's tooltip of a row: "Включён всего 12 ч 05 мин, сегодня
// 1 ч 10 мин, вчера 2 ч; переключений: 57", and "; энергия: 0.725 кВт·ч"
// where a power is set.
std::string statsTip(const StatsView& view);

// `stats`' line: "N<TAB>switches<TAB>seconds on in all<TAB>today<TAB>yesterday".
std::string statsLine(const StatsView& view);

}  // namespace kavtra
