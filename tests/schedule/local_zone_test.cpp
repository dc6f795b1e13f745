#include "schedule/local_zone.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/zone_clock.h"
#ifndef _WIN32
#include "tests/support/scoped_env.h"
#endif

namespace kavtra::test {
namespace {

using namespace std::chrono;
using Texts = std::vector<std::string>;

// The system's zone, whatever it is, maps every moment to a local time that
// names that moment again: every seventh hour of a year (each hour of the
// day in turn), summer time and all.
TEST(SystemZone, LocalTimeAndMomentsAgreeForAYearOfHours) {
    const LocalZone& zone = systemZone();
    for (sys_seconds at = utc("2025-01-01 00:30"); at < utc("2026-01-01 00:30"); at += hours{7}) {
        const std::vector<sys_seconds> moments = momentsOf(zone, localTimeOf(zone, at));
        ASSERT_NE(std::find(moments.begin(), moments.end(), at), moments.end()) << utcText(at);
        ASSERT_LE(abs(localTimeOf(zone, at).time_since_epoch() - at.time_since_epoch()), hours{14});
    }
}

#ifndef _WIN32
struct ZoneRow {
    const char* zone;
    const char* local;
    Texts moments;  // UTC
};

TEST(NamedZone, LocalTimesNameNoneOneOrTwoMomentsAcrossClockChanges) {
    const std::vector<ZoneRow> rows{
        {"Europe/Moscow", "2025-03-30 02:30", {"2025-03-29 23:30:00"}},
        {"Europe/Berlin", "2025-03-30 02:30", {}},
        {"Europe/Berlin", "2025-03-30 03:00", {"2025-03-30 01:00:00"}},
        {"Europe/Berlin", "2025-10-26 02:30", {"2025-10-26 00:30:00", "2025-10-26 01:30:00"}},
        {"Europe/Berlin", "2025-07-01 12:00", {"2025-07-01 10:00:00"}},
        {"America/New_York", "2025-03-09 02:30", {}},
        {"America/New_York", "2025-11-02 01:30", {"2025-11-02 05:30:00", "2025-11-02 06:30:00"}},
    };
    for (const ZoneRow& row : rows) {
        const ScopedEnv tz("TZ", row.zone);
        Texts moments;
        for (const sys_seconds at : momentsOf(systemZone(), local(row.local))) {
            moments.push_back(utcText(at));
            EXPECT_EQ(localTimeOf(systemZone(), at), local(row.local)) << row.zone << " " << utcText(at);
        }
        EXPECT_EQ(moments, row.moments) << row.zone << " " << row.local;
    }
}
#endif

}  // namespace
}  // namespace kavtra::test
