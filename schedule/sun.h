#pragma once

#include <chrono>
#include <optional>

#include "schedule/schedule_entry.h"

namespace kavtra {

// The moments the sun's upper edge crosses the horizon (with the usual
// allowance for refraction) on a date at a place: on the solar day whose noon
// falls on that date at the place's longitude. None while the sun stays up or
// stays down all day. Accurate to about a minute between the polar circles.
std::optional<std::chrono::sys_seconds> sunriseOn(const Place& place, std::chrono::year_month_day date);
std::optional<std::chrono::sys_seconds> sunsetOn(const Place& place, std::chrono::year_month_day date);

}  // namespace kavtra
