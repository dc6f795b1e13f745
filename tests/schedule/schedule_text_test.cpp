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

// Rows "what|text|as written back", the last empty when the text is
// refused; what: T a time of day, A an At, D Days.
TEST(ScheduleText, TimesDatesAndDaysReadAsWrittenOrAreRefused) {
    const std::vector<std::string> rows({"T|06:00|06:00",
                                         "T| 6:05:09 |06:05:09",
                                         "T|SunSet-15|sunset-15",
                                         "T|sunrise + 10|sunrise+10",
                                         "T|sunrise|sunrise",
                                         "T|Закат-15|sunset-15",
                                         "T|восход + 10|sunrise+10",
                                         "T|24:00|",
                                         "T|12:60|",
                                         "T|12:5|",
                                         "T|sunset-721|",
                                         "T|sunset15|",
                                         "T|noon|",
                                         "A|2026-12-31 23:59:30|2026-12-31 23:59:30",
                                         "A|2026-12-31  7:00|2026-12-31 07:00",
                                         "A|2026-02-29 12:00|",
                                         "A|2026-12-31|",
                                         "A|2026-12-31 sunset|",
                                         "D||daily",
                                         "D|mon, WED,Fri|Mon,Wed,Fri",
                                         "D|Пн,ср,ПТ,Вс|Mon,Wed,Fri,Sun",
                                         "D|Ежедневно|daily",
                                         "D|Пн-Пт|Mon,Tue,Wed,Thu,Fri",
                                         "D|Mon-Fri|Mon,Tue,Wed,Thu,Fri",
                                         "D|Sat-Mon|Mon,Sat,Sun",
                                         "D|Sunday,2026-12-31|Sun,2026-12-31",
                                         "D|2026-12-31,2027-01-01|2026-12-31,2027-01-01",
                                         "D|daily,Mon|",
                                         "D|Mon,,Tue|",
                                         "D|Mo|",
                                         "D|2026-13-01|"});
    for (const std::string& row : rows) {
        const std::size_t bar = row.find('|', 2);
        EXPECT_EQ(readBack(row[0], row.substr(2, bar - 2)), row.substr(bar + 1)) << row;
    }
}

}  // namespace
}  // namespace kavtra::test
