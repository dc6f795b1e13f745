#include "schedule/schedule_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavtra::test {
namespace {

// What a text reads as, written back; empty when it is refused.
std::string readBack(char what, const std::string& text) {
    if (what == 'T') {
        const auto time = parseDayTime(text);
        return time ? dayTimeText(*time) : "";
    }
    if (what == 'A') {
        const auto at = parseAt(text);
        return at ? (at->date ? dateText(*at->date) + " " : "") + dayTimeText(at->time) : "";
    }
    const auto days = parseDays(text);
    return days ? daysText(*days) : "";
}

struct TextRow {
    char what;  // T: a time of day, A: an At, D: Days
    const char* text;
    const char* back;
};

TEST(ScheduleText, TimesDatesAndDaysReadAsWrittenOrAreRefused) {
    const std::vector<TextRow> rows{
        {'T', "06:00", "06:00"},
        {'T', " 6:05:09 ", "06:05:09"},
        {'T', "23:59:59", "23:59:59"},
        {'T', "SunSet-15", "sunset-15"},
        {'T', "sunrise + 10", "sunrise+10"},
        {'T', "sunrise", "sunrise"},
        {'T', "sunset+720", "sunset+720"},
        {'T', "24:00", ""},
        {'T', "12:60", ""},
        {'T', "12:5", ""},
        {'T', "12", ""},
        {'T', "12:00:00:00", ""},
        {'T', "-1:00", ""},
        {'T', "sunset-721", ""},
        {'T', "sunset15", ""},
        {'T', "noon", ""},
        {'A', "2026-12-31 23:59:30", "2026-12-31 23:59:30"},
        {'A', "2026-12-31  7:00", "2026-12-31 07:00"},
        {'A', "sunset", "sunset"},
        {'A', "2026-02-29 12:00", ""},
        {'A', "2026-12-31", ""},
        {'A', "2026-12-31 sunset", ""},
        {'D', "", "daily"},
        {'D', "DAILY", "daily"},
        {'D', "mon, WED,Fri", "Mon,Wed,Fri"},
        {'D', "Пн,ср,ПТ,Вс", "Mon,Wed,Fri,Sun"},
        {'D', "Mon-Fri", "Mon,Tue,Wed,Thu,Fri"},
        {'D', "Sat-Mon", "Mon,Sat,Sun"},
        {'D', "Sunday,2026-12-31", "Sun,2026-12-31"},
        {'D', "2026-12-31,2027-01-01", "2026-12-31,2027-01-01"},
        {'D', "daily,Mon", ""},
        {'D', "Mon,,Tue", ""},
        {'D', "Mo", ""},
        {'D', "2026-13-01", ""},
        {'D', "Mon-", ""},
    };
    for (const TextRow& row : rows) EXPECT_EQ(readBack(row.what, row.text), row.back) << row.what << " " << row.text;
}

}  // namespace
}  // namespace kavtra::test
