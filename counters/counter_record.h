#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/wall_clock.h"
#include "schedule/local_zone.h"

namespace kavtra {

// An output's counters as they stood at its last change (a switch or a
// reset): what Data.dat keeps of them. Everything later is computed when
// they are read, so nothing has to be saved while an output merely stays on.
struct CounterRecord {
    std::uint64_t switches = 0;
    std::chrono::milliseconds total{0};      // on in all, until `at`
    std::chrono::milliseconds day{0};        // on in the local day of `at`, until `at`
    std::chrono::milliseconds dayBefore{0};  // on in the local day before that one
    WallTime at{};                           // the last change; the epoch for none yet
    bool on = false;                         // on since `at`
    bool operator==(const CounterRecord&) const = default;
};

// The counters read at a moment.
struct OutputTally {
    std::uint64_t switches = 0;
    std::chrono::milliseconds total{0};
    std::chrono::milliseconds today{0};
    std::chrono::milliseconds yesterday{0};
    bool operator==(const OutputTally&) const = default;
};

// The counters at `now`, local days by `zone`: the time on since the record
// split between today and yesterday at the local midnights between, however
// many midnights passed without a change. A calendar put back before the
// record adds no time.
OutputTally tallyAt(const CounterRecord& record, WallTime now, const LocalZone& zone);

// The record after the output went on or off at `now` (one more switch).
CounterRecord switchedAt(const CounterRecord& record, bool on, WallTime now, const LocalZone& zone);

// Data.dat's form: "SWITCHES TOTAL_MS DAY_MS DAY_BEFORE_MS AT on|off", AT
// in savedTimeText's form.
std::string recordText(const CounterRecord& record);
// Nothing for any other text.
std::optional<CounterRecord> recordOf(std::string_view text);

}  // namespace kavtra
