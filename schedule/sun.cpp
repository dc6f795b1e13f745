#include "schedule/sun.h"

#include <cmath>
#include <numbers>

namespace kavtra {
namespace {

using namespace std::chrono;

constexpr double kDegree = std::numbers::pi / 180;
// 90 degrees, the refraction at the horizon (34') and the sun's radius (16').
constexpr double kZenith = 90.833;

double sinDeg(double degrees) { return std::sin(degrees * kDegree); }
double cosDeg(double degrees) { return std::cos(degrees * kDegree); }

struct SolarPosition {
    double declination;     // degrees
    double equationOfTime;  // minutes
};

// The solar-position formulas of NOAA's sunrise and sunset calculator (after
// Meeus), at a moment given as Julian centuries since J2000.0.
SolarPosition solarPosition(double centuries) {
    const double t = centuries;
    const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0);
    const double meanAnomaly = 357.52911 + t * (35999.05029 - 0.0001537 * t);
    const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double centre = sinDeg(meanAnomaly) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                          sinDeg(2 * meanAnomaly) * (0.019993 - 0.000101 * t) + sinDeg(3 * meanAnomaly) * 0.000289;
    const double omega = 125.04 - 1934.136 * t;
    const double apparentLongitude = meanLongitude + centre - 0.00569 - 0.00478 * sinDeg(omega);
    const double meanObliquity = 23 + (26 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60) / 60;
    const double obliquity = meanObliquity + 0.00256 * cosDeg(omega);
    const double declination = std::asin(sinDeg(obliquity) * sinDeg(apparentLongitude)) / kDegree;
    const double y = std::pow(std::tan(obliquity * kDegree / 2), 2);
    const double l = meanLongitude * kDegree;
    const double m = meanAnomaly * kDegree;
    const double equation = y * std::sin(2 * l) - 2 * eccentricity * std::sin(m) +
                            4 * eccentricity * y * std::sin(m) * std::cos(2 * l) - 0.5 * y * y * std::sin(4 * l) -
                            1.25 * eccentricity * eccentricity * std::sin(2 * m);
    return {declination, 4 * equation / kDegree};
}

double centuriesAt(double unixSeconds) { return (unixSeconds / 86400.0 + 2440587.5 - 2451545.0) / 36525.0; }

// Minutes after 00:00 UTC of the date at which the sun rises (sign -1) or
// sets (+1), or nothing.
std::optional<double> crossing(const Place& place, year_month_day date, int sign) {
    const double midnight = static_cast<double>(sys_seconds{sys_days{date}}.time_since_epoch().count());
    const double cosLatitude = cosDeg(place.latitude);
    // Solved at the place's noon, then again at the moment found, which the
    // sun's motion over those hours would otherwise cost up to a minute.
    double minutes = 720 - 4 * place.longitude;
    for (int pass = 0; pass < 2; ++pass) {
        const SolarPosition sun = solarPosition(centuriesAt(midnight + minutes * 60));
        const double cosHourAngle = cosDeg(kZenith) / (cosLatitude * cosDeg(sun.declination)) -
                                    std::tan(place.latitude * kDegree) * std::tan(sun.declination * kDegree);
        if (!(cosHourAngle >= -1 && cosHourAngle <= 1)) return std::nullopt;
        const double hourAngle = std::acos(cosHourAngle) / kDegree;
        minutes = 720 - 4 * place.longitude - sun.equationOfTime + sign * 4 * hourAngle;
    }
    return minutes;
}

std::optional<sys_seconds> moment(const Place& place, year_month_day date, int sign) {
    const auto minutes = crossing(place, date, sign);
    if (!minutes) return std::nullopt;
    return sys_days{date} + seconds{std::lround(*minutes * 60)};
}

}  // namespace

std::optional<sys_seconds> sunriseOn(const Place& place, year_month_day date) { return moment(place, date, -1); }
std::optional<sys_seconds> sunsetOn(const Place& place, year_month_day date) { return moment(place, date, +1); }

}  // namespace kavtra
