#pragma once

#include <string>

#include "schedule/local_zone.h"
#include "schedule/schedule_text.h"

namespace kavtra::test {

// "2025-03-30 01:00" or "2025-03-30 01:00:30" (the seconds may be left out)
// as a moment (UTC) or as a local time.
inline std::chrono::sys_seconds utc(const std::string& text) {
    const AtTime at = parseAt(text).value();
    return std::chrono::sys_days{at.date.value()} + at.time.clock;
}
inline std::chrono::local_seconds local(const std::string& text) {
    return std::chrono::local_seconds{utc(text).time_since_epoch()};
}

inline std::string utcText(std::chrono::sys_seconds at) {
    const auto day = std::chrono::floor<std::chrono::days>(at);
    const std::chrono::hh_mm_ss<std::chrono::seconds> clock{at - day};
    const auto two = [](long long n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    return dateText(std::chrono::year_month_day{day}) + " " + two(clock.hours().count()) + ":" +
           two(clock.minutes().count()) + ":" + two(clock.seconds().count());
}

// A zone always the same distance from UTC, on every platform.
struct FixedZone final : LocalZone {
    explicit FixedZone(std::chrono::seconds distance) : offset(distance) {}
    std::chrono::seconds offsetAt(std::chrono::sys_seconds) const override { return offset; }
    std::chrono::seconds offset;
};

}  // namespace kavtra::test
