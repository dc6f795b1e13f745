#include "schedule/schedule_plan.h"

#include <algorithm>
#include <map>
#include <queue>
#include <tuple>
#include <unordered_map>

#include "schedule/sun.h"

namespace kavtra {

using namespace std::chrono;

namespace {

// How far before a day's midnight (as UTC) and after its end the entry's
// events of that day can fall: a zone is at most 14 hours from UTC and a
// clock change moves a time by at most 2 hours; sunrise and sunset lie
// within 12 hours of a noon somewhere in the day, and are shifted by at most
// 12 hours; a window may end the next day.
struct Reach {
    seconds lead{0};
    seconds lag{0};
};

Reach reachOf(const ScheduleEntry& entry) {
    Reach reach;
    for (const auto* time : {&entry.at, &entry.from, &entry.to}) {
        if (!*time) continue;
        const bool bySun = (*time)->kind != DayTime::Kind::Clock;
        reach.lead = std::max<seconds>(reach.lead, bySun ? hours{24} : hours{14});
        reach.lag = std::max<seconds>(reach.lag, bySun ? hours{12} : hours{16});
    }
    if (entry.to) reach.lag += days{1};
    return reach;
}

// The first day whose events can come after `after`.
sys_days firstDay(const Reach& reach, Instant after) { return floor<days>(after - reach.lag - days{1}); }
// Near the poles the sun may not rise for half a year.
constexpr days kLongestSearch{400};

int kindRank(ScheduleEvent::Kind kind) {
    // A window that ends as another (or the same) one begins hands over: the
    // end first, so that the beginning has the last word.
    switch (kind) {
    case ScheduleEvent::Kind::At: return 0;
    case ScheduleEvent::Kind::To: return 1;
    case ScheduleEvent::Kind::From: return 2;
    }
    return 0;
}

bool inOrder(const ScheduleEvent& a, const ScheduleEvent& b) {
    return std::tuple(a.at, a.entry, kindRank(a.kind)) < std::tuple(b.at, b.entry, kindRank(b.kind));
}

bool isWindow(const ScheduleEntry& entry) { return !entry.at && entry.from && entry.to; }

}  // namespace

struct SchedulePlan::Calendar {
    struct Day {
        // The offset before and after the day's clock change, and when it
        // changes; the same offset and no change on most days.
        seconds before{0};
        seconds after{0};
        std::optional<Instant> change;
        std::optional<std::optional<Instant>> sunrise;
        std::optional<std::optional<Instant>> sunset;
    };

    explicit Calendar(const SchedulePlan& owner) : plan(owner) {}

    // A day's times lie within a day of its midnight as UTC, and clocks
    // change at most twice a year: the offsets a day before and two days
    // after tell whether the clock changes, and halving finds when. Worked
    // out once a day, not once a schedule: thousands of schedules share it.
    Day& day(sys_days date) {
        const auto [found, fresh] = memo.try_emplace(date.time_since_epoch().count());
        Day& info = found->second;
        if (!fresh) return info;
        Instant early = sys_seconds{date} - days{1};
        Instant late = sys_seconds{date} + days{2};
        info.before = plan.zone_.offsetAt(early);
        info.after = plan.zone_.offsetAt(late);
        if (info.after == info.before) return info;
        while (late - early > seconds{1}) {
            const Instant middle = early + (late - early) / 2;
            (plan.zone_.offsetAt(middle) == info.before ? early : late) = middle;
        }
        info.change = late;
        return info;
    }

    // The moments a local time names (see momentsOf) with the day's offsets:
    // one skipped by the clock acts when the skip ends, one the clock passes
    // twice acts the first time.
    Instant moment(sys_days date, seconds clock) {
        const Day& info = day(date);
        const sys_seconds asUtc{date + clock};
        if (!info.change) return asUtc - info.before;
        std::optional<Instant> first;
        if (const Instant late = asUtc - info.after; late >= *info.change) first = late;
        if (const Instant early = asUtc - info.before; early < *info.change && (!first || early < *first))
            first = early;
        return first ? *first : *info.change;
    }

    std::optional<Instant> at(const DayTime& time, sys_days date) {
        if (time.kind == DayTime::Kind::Clock) return moment(date, time.clock);
        if (!plan.place_) return std::nullopt;
        Day& info = day(date);
        const bool rise = time.kind == DayTime::Kind::Sunrise;
        std::optional<std::optional<Instant>>& sun = rise ? info.sunrise : info.sunset;
        if (!sun)
            sun = rise ? sunriseOn(*plan.place_, year_month_day{date}) : sunsetOn(*plan.place_, year_month_day{date});
        if (!*sun) return std::nullopt;
        return **sun + time.shift;
    }

    // The entry's events of a day it runs on, in time order.
    template <typename Take>
    void eventsOn(std::size_t index, sys_days date, Take&& take) {
        const ScheduleEntry& entry = plan.entries_[index];
        if (entry.at) {
            if (const auto when = at(*entry.at, date)) take(ScheduleEvent{*when, index, ScheduleEvent::Kind::At});
            return;
        }
        if (!isWindow(entry)) return;
        const auto from = at(*entry.from, date);
        if (!from) return;
        auto to = at(*entry.to, date);
        if (to && *to <= *from) to = at(*entry.to, date + days{1});
        if (!to) return;
        take(ScheduleEvent{*from, index, ScheduleEvent::Kind::From});
        take(ScheduleEvent{*to, index, ScheduleEvent::Kind::To});
    }

    // The first day from `date` on that the entry runs on.
    std::optional<sys_days> runDay(std::size_t index, sys_days date) const {
        const ScheduleEntry& entry = plan.entries_[index];
        if (entry.date) {
            const sys_days once{*entry.date};
            return once >= date ? std::optional(once) : std::nullopt;
        }
        if (entry.days.daily) return date;
        std::optional<sys_days> first;
        const std::vector<sys_days>& dates = plan.dates_[index];
        if (const auto listed = std::lower_bound(dates.begin(), dates.end(), date); listed != dates.end())
            first = *listed;
        for (sys_days d = date; d < date + days{7} && (!first || d < *first); d += days{1}) {
            if (entry.days.weekdays[weekday{d}.iso_encoding() - 1]) return d;
        }
        return first;
    }

    // The entry's events at the first moment after `after` (two when a
    // window ends as it begins again), searching days from `start`.
    std::vector<ScheduleEvent> firstAfter(std::size_t index, Instant after) {
        std::vector<ScheduleEvent> found;
        if (!plan.entries_[index].at && !isWindow(plan.entries_[index])) return found;
        const auto consider = [&](const ScheduleEvent& event) {
            if (event.at <= after) return;
            if (found.empty() || event.at < found.front().at) {
                found.assign(1, event);
            } else if (event.at == found.front().at) {
                found.push_back(event);
            }
        };
        const Reach reach = reachOf(plan.entries_[index]);
        const sys_days start = firstDay(reach, after);
        for (auto date = runDay(index, start); date && *date <= start + kLongestSearch;
             date = runDay(index, *date + days{1})) {
            if (!found.empty() && sys_seconds{*date} - reach.lead > found.front().at) break;
            eventsOn(index, *date, consider);
        }
        std::sort(found.begin(), found.end(), inOrder);
        return found;
    }

    // Whether one of the entry's windows holds `at`.
    bool covers(std::size_t index, Instant at) {
        if (!isWindow(plan.entries_[index])) return false;
        bool inside = false;
        const Reach reach = reachOf(plan.entries_[index]);
        std::optional<Instant> from;
        for (auto date = runDay(index, firstDay(reach, at)); date && sys_seconds{*date} - reach.lead <= at && !inside;
             date = runDay(index, *date + days{1})) {
            eventsOn(index, *date, [&](const ScheduleEvent& event) {
                if (event.kind == ScheduleEvent::Kind::From) from = event.at;
                if (event.kind == ScheduleEvent::Kind::To && *from <= at && at < event.at) inside = true;
            });
        }
        return inside;
    }

    const SchedulePlan& plan;
    std::unordered_map<long long, Day> memo;
};

SchedulePlan::SchedulePlan(std::vector<ScheduleEntry> entries, std::optional<Place> place, const LocalZone& zone)
    : entries_(std::move(entries)), place_(place), zone_(zone) {
    dates_.reserve(entries_.size());
    for (const ScheduleEntry& entry : entries_) {
        std::vector<sys_days> dates(entry.days.dates.begin(), entry.days.dates.end());
        std::sort(dates.begin(), dates.end());
        dates_.push_back(std::move(dates));
    }
}

std::vector<ScheduleEvent> SchedulePlan::between(Instant after, Instant until) const {
    std::vector<ScheduleEvent> events;
    if (until <= after) return events;
    Calendar calendar(*this);
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        const Reach reach = reachOf(entries_[index]);
        for (auto date = calendar.runDay(index, firstDay(reach, after));
             date && sys_seconds{*date} - reach.lead <= until; date = calendar.runDay(index, *date + days{1})) {
            calendar.eventsOn(index, *date, [&](const ScheduleEvent& event) {
                if (event.at > after && event.at <= until) events.push_back(event);
            });
        }
    }
    std::sort(events.begin(), events.end(), inOrder);
    return events;
}

std::optional<ScheduleEvent> SchedulePlan::next(Instant after) const {
    Calendar calendar(*this);
    std::optional<ScheduleEvent> best;
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        const std::vector<ScheduleEvent> first = calendar.firstAfter(index, after);
        if (!first.empty() && (!best || inOrder(first.front(), *best))) best = first.front();
    }
    return best;
}

std::vector<ScheduleEvent> SchedulePlan::upcoming(Instant after, std::size_t count) const {
    std::vector<ScheduleEvent> events;
    if (count == 0) return events;
    Calendar calendar(*this);
    // Each entry's next events, the earliest on top.
    const auto later = [](const std::vector<ScheduleEvent>& a, const std::vector<ScheduleEvent>& b) {
        return inOrder(b.front(), a.front());
    };
    std::priority_queue<std::vector<ScheduleEvent>, std::vector<std::vector<ScheduleEvent>>, decltype(later)> queue(
        later);
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        if (auto first = calendar.firstAfter(index, after); !first.empty()) queue.push(std::move(first));
    }
    while (!queue.empty() && events.size() < count) {
        const std::vector<ScheduleEvent> top = queue.top();
        queue.pop();
        for (const ScheduleEvent& event : top)
            if (events.size() < count) events.push_back(event);
        const Instant at = top.front().at;
        if (auto then = calendar.firstAfter(top.front().entry, at); !then.empty()) queue.push(std::move(then));
    }
    return events;
}

std::vector<std::pair<int, bool>> SchedulePlan::windowStates(Instant at) const {
    Calendar calendar(*this);
    std::map<int, bool> states;
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        if (!isWindow(entries_[index])) continue;
        const bool inside = calendar.covers(index, at);
        for (int output : entries_[index].on) states[output] = states[output] || inside;
    }
    return {states.begin(), states.end()};
}

std::vector<std::pair<int, bool>> SchedulePlan::statesOf(const ScheduleEvent& event) const {
    std::vector<std::pair<int, bool>> states;
    if (event.entry >= entries_.size()) return states;
    const ScheduleEntry& entry = entries_[event.entry];
    if (event.kind == ScheduleEvent::Kind::At) {
        for (int output : entry.on) states.emplace_back(output, true);
        for (int output : entry.off) states.emplace_back(output, false);
        return states;
    }
    std::map<int, bool> wanted;
    for (int output : entry.on) wanted[output] = false;
    Calendar calendar(*this);
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        const std::vector<int>& on = entries_[index].on;
        const bool shares = std::any_of(on.begin(), on.end(), [&](int output) {
            const auto found = wanted.find(output);
            return found != wanted.end() && !found->second;
        });
        if (!shares || !calendar.covers(index, event.at)) continue;
        for (int output : on)
            if (const auto found = wanted.find(output); found != wanted.end()) found->second = true;
    }
    return {wanted.begin(), wanted.end()};
}

}  // namespace kavtra
