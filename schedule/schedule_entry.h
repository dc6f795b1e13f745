#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kavtra {

// A time of day as a schedule names it: a clock time, or sunrise or sunset
// moved by some minutes.
struct DayTime {
    enum class Kind { Clock, Sunrise, Sunset };
    Kind kind = Kind::Clock;
    std::chrono::seconds clock{0};  // since local midnight, for Clock
    std::chrono::minutes shift{0};  // for Sunrise and Sunset: + later, - earlier
    bool operator==(const DayTime&) const = default;
};

// The days a schedule runs on: every day, some weekdays, or some dates.
struct Days {
    bool daily = true;
    std::array<bool, 7> weekdays{};  // Monday first
    std::vector<std::chrono::year_month_day> dates;
    bool operator==(const Days&) const = default;
};

// One [Schedule NAME] of Rules.ini, checked. Either an event (`at`, once on
// `date` or on `days`) or a window of time (`from` to `to` on `days`; the
// window starts on the day and ends at `to` that day, or the next day when
// `to` comes before `from`).
struct ScheduleEntry {
    std::string name;
    std::optional<DayTime> at;
    std::optional<std::chrono::year_month_day> date;  // At with a date: once
    std::optional<DayTime> from;
    std::optional<DayTime> to;
    Days days;
    std::vector<int> on;   // ascending, groups resolved
    std::vector<int> off;  // ascending, none of `on`
    std::string scene;     // an event's scene to recall, or empty
    // The section's keys as written, in file order: what the window's
    // editor shows.
    std::vector<std::pair<std::string, std::string>> written;
    bool operator==(const ScheduleEntry&) const = default;
};

// Where sunrise and sunset are computed: [Place] Latitude, Longitude
// (degrees, north and east positive).
struct Place {
    double latitude = 0;
    double longitude = 0;
    bool operator==(const Place&) const = default;
};

}  // namespace kavtra
