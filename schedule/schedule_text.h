#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "schedule/schedule_entry.h"

namespace kavtra {

// "06:00", "6:00:30", "sunrise", "sunset-15", "sunrise+10"; nothing when the
// text is none of these. A shift is at most 720 minutes.
std::optional<DayTime> parseDayTime(std::string_view text);

// "2026-12-31", a real date.
std::optional<std::chrono::year_month_day> parseDate(std::string_view text);

// An At: a time of day, or a date and a clock time ("2026-12-31 23:59:30").
struct AtTime {
    DayTime time;
    std::optional<std::chrono::year_month_day> date;
};
std::optional<AtTime> parseAt(std::string_view text);

// "daily" or "ежедневно"; weekdays "Mon,Wed,Fri" (any letter case; also Пн, Вт, Ср, Чт, Пт,
// Сб, Вс and the full English names), ranges "Mon-Fri" (wrapping: "Sat-Mon");
// dates "2026-12-31,2027-01-01"; weekdays and dates mixed. An empty text is
// every day.
std::optional<Days> parseDays(std::string_view text);

// Degrees of [Place] as people write them, with a point or a comma ("55.75",
// "-74,006", "+37.6"), at most `most` either way; nothing otherwise.
std::optional<double> parseDegrees(std::string_view text, double most);
inline constexpr double kMostLatitude = 90;
inline constexpr double kMostLongitude = 180;
// Why a latitude or a longitude is refused, in the words of the reading and
// of the window alike.
inline constexpr const char* kLatitudeForm = "нужно число градусов от -90 до 90 (север +, юг -)";
inline constexpr const char* kLongitudeForm = "нужно число градусов от -180 до 180 (восток +, запад -)";
// The shortest text that reads back as `degrees` exactly ("55.75").
std::string degreesText(double degrees);

// The forms as Rules.ini writes them back: "06:00", "06:00:30", "sunset-15";
// "2026-12-31"; "daily", "Mon,Wed,2026-12-31".
std::string dayTimeText(const DayTime& time);
std::string dateText(std::chrono::year_month_day date);
std::string daysText(const Days& days);

}  // namespace kavtra
