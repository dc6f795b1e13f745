#include "counters/counter_record.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "persist/files/data_file.h"

namespace kavtra {
namespace {

using std::chrono::days;
using std::chrono::floor;
using std::chrono::local_days;
using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::sys_seconds;

local_days localDay(const LocalZone& zone, WallTime at) {
    return floor<days>(localTimeOf(zone, floor<std::chrono::seconds>(at)));
}

// The first moment of a local day. A day whose midnight a clock change
// skips starts when the skip ends; changes fall on a quarter hour.
WallTime dayStart(const LocalZone& zone, local_days day) {
    for (minutes after{0}; after < days{1}; after += minutes(15)) {
        const std::vector<sys_seconds> moments = momentsOf(zone, day + after);
        if (!moments.empty()) return moments.front();
    }
    return WallTime{day.time_since_epoch()};
}

// How much of [from, to) falls in [begin, end).
milliseconds overlap(WallTime from, WallTime to, WallTime begin, WallTime end) {
    return std::max(milliseconds(0), std::min(to, end) - std::max(from, begin));
}

}  // namespace

OutputTally tallyAt(const CounterRecord& record, WallTime now, const LocalZone& zone) {
    OutputTally tally{record.switches, record.total, {}, {}};
    const local_days today = localDay(zone, now);
    const local_days recorded = localDay(zone, record.at);
    if (recorded == today) {
        tally.today = record.day;
        tally.yesterday = record.dayBefore;
    } else if (recorded == today - days(1)) {
        tally.yesterday = record.day;
    }
    if (!record.on || now <= record.at) return tally;
    const WallTime todayStart = dayStart(zone, today);
    tally.total += now - record.at;
    tally.today += overlap(record.at, now, todayStart, now);
    tally.yesterday += overlap(record.at, now, dayStart(zone, today - days(1)), todayStart);
    return tally;
}

CounterRecord switchedAt(const CounterRecord& record, bool on, WallTime now, const LocalZone& zone) {
    const OutputTally tally = tallyAt(record, now, zone);
    return {tally.switches + 1, tally.total, tally.today, tally.yesterday, now, on};
}

std::string recordText(const CounterRecord& record) {
    return std::to_string(record.switches) + ' ' + std::to_string(record.total.count()) + ' ' +
           std::to_string(record.day.count()) + ' ' + std::to_string(record.dayBefore.count()) + ' ' +
           savedTimeText(record.at) + (record.on ? " on" : " off");
}

std::optional<CounterRecord> recordOf(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (words.size() != 6 || (words[5] != "on" && words[5] != "off")) return {};
    std::uint64_t numbers[4] = {};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto [end, error] = std::from_chars(words[i].data(), words[i].data() + words[i].size(), numbers[i]);
        if (error != std::errc() || end != words[i].data() + words[i].size() || words[i].empty()) return {};
        if (i > 0 && numbers[i] > (std::uint64_t{1} << 62)) return {};  // beyond any time a load can run
    }
    const std::optional<SavedTime> at = savedTime(words[4]);
    if (!at) return {};
    const auto duration = [](std::uint64_t ms) { return milliseconds(static_cast<milliseconds::rep>(ms)); };
    return CounterRecord{numbers[0], duration(numbers[1]), duration(numbers[2]), duration(numbers[3]),
                         *at,        words[5] == "on"};
}

}  // namespace kavtra
