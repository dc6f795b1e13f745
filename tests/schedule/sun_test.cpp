#include "schedule/sun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schedule/schedule_text.h"
#include "tests/support/zone_clock.h"

namespace kavtra::test {
namespace {

using namespace std::chrono;

struct SunRow {
    const char* place;
    double latitude, longitude;
    const char* date;
    const char* sunrise;  // UTC; empty: the sun stays up or down all day
    const char* sunset;
};

// The reference moments were computed once with PyEphem 4.1.4 (Debian's
// python3-ephem): the sun's upper edge 34' below the horizon, no air
// pressure model, the rising before and the setting after the place's noon.
const std::vector<SunRow> kSun{
    {"Moscow", 55.7558, 37.6173, "2025-01-15", "2025-01-15 05:49:10", "2025-01-15 13:29:15"},
    {"Moscow", 55.7558, 37.6173, "2025-03-20", "2025-03-20 03:31:36", "2025-03-20 15:43:24"},
    {"Moscow", 55.7558, 37.6173, "2025-06-21", "2025-06-21 00:44:36", "2025-06-21 18:18:06"},
    {"Moscow", 55.7558, 37.6173, "2025-12-21", "2025-12-21 05:57:32", "2025-12-21 12:57:46"},
    {"Berlin", 52.52, 13.405, "2025-01-15", "2025-01-15 07:09:37", "2025-01-15 15:22:30"},
    {"Berlin", 52.52, 13.405, "2025-03-20", "2025-03-20 05:08:41", "2025-03-20 17:19:51"},
    {"Berlin", 52.52, 13.405, "2025-06-21", "2025-06-21 02:43:10", "2025-06-21 19:33:16"},
    {"Berlin", 52.52, 13.405, "2025-12-21", "2025-12-21 07:15:00", "2025-12-21 14:54:05"},
    {"New York", 40.7128, -74.006, "2025-01-15", "2025-01-15 12:17:46", "2025-01-15 21:53:42"},
    {"New York", 40.7128, -74.006, "2025-03-20", "2025-03-20 10:58:53", "2025-03-20 23:08:26"},
    {"New York", 40.7128, -74.006, "2025-06-21", "2025-06-21 09:25:05", "2025-06-22 00:30:44"},
    {"New York", 40.7128, -74.006, "2025-12-21", "2025-12-21 12:16:40", "2025-12-21 21:31:56"},
    {"Tromsø", 69.6492, 18.9553, "2025-06-21", "", ""},
    {"Tromsø", 69.6492, 18.9553, "2025-12-21", "", ""},
};

TEST(Sun, RisesAndSetsWithinTwoMinutesOfTheReference) {
    for (const SunRow& row : kSun) {
        const Place place{row.latitude, row.longitude};
        const auto date = parseDate(row.date).value();
        for (const auto& [found, expected] :
             {std::pair{sunriseOn(place, date), row.sunrise}, std::pair{sunsetOn(place, date), row.sunset}}) {
            ASSERT_EQ(found.has_value(), *expected != '\0') << row.place << " " << row.date;
            if (found) {
                EXPECT_LE(abs(*found - utc(expected)), minutes{2}) << row.place << " " << utcText(*found);
            }
        }
    }
}

}  // namespace
}  // namespace kavtra::test
