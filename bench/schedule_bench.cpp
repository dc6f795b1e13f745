#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "schedule/schedule_plan.h"
#include "schedule/schedule_text.h"

namespace kavtra {
namespace {

using namespace std::chrono;

// 10,000 schedules of every kind, in the zone TZ names (Europe/Berlin here,
// for its clock changes): clock times every day, on weekdays, by sunset,
// windows over midnight and not, and dated events, some still to come.
SchedulePlan bigPlan() {
    ::setenv("TZ", "Europe/Berlin", 1);
    std::vector<ScheduleEntry> entries;
    for (int i = 0; i < 10000; ++i) {
        ScheduleEntry entry;
        entry.name = std::to_string(i);
        const std::string clock = std::to_string(i % 24) + ":" + std::to_string(10 + i % 50);
        switch (i % 5) {
        case 0: entry.at = parseDayTime(clock); break;
        case 1:
            entry.at = parseDayTime(clock);
            entry.days = *parseDays(i % 2 ? "Mon,Wed,Fri" : "Sat-Sun");
            break;
        case 2: entry.at = parseDayTime("sunset-" + std::to_string(i % 60)); break;
        case 3:
            entry.from = parseDayTime(clock);
            entry.to = parseDayTime(i % 2 ? "06:30" : "23:45");
            break;
        case 4:
            entry.at = parseDayTime(clock);
            entry.date = year_month_day{sys_days{2025y / 1 / 1} + days{i % 900}};
            break;
        }
        entry.on = {1 + i % 300};
        entries.push_back(std::move(entry));
    }
    return SchedulePlan(std::move(entries), Place{52.52, 13.405}, systemZone());
}

const sys_seconds kStart = sys_days{2025y / 3 / 29} + hours{21};

// What the runtime asks after each event: the next one of all 10,000.
void BM_ScheduleNext(benchmark::State& state) {
    const SchedulePlan plan = bigPlan();
    sys_seconds after = kStart;
    for (auto _ : state) {
        const auto event = plan.next(after);
        after = event ? event->at : kStart;
        benchmark::DoNotOptimize(after);
    }
}
BENCHMARK(BM_ScheduleNext)->Unit(benchmark::kMillisecond);

// A day's events of all 10,000 (the day the clocks go forward), in order.
void BM_ScheduleBetweenADay(benchmark::State& state) {
    const SchedulePlan plan = bigPlan();
    std::size_t events = 0;
    for (auto _ : state) {
        const auto day = plan.between(kStart, kStart + days{1});
        events = day.size();
        benchmark::DoNotOptimize(day.data());
    }
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(BM_ScheduleBetweenADay)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavtra
