#include "rules/schedule_listing.h"

#include <cstdio>

#include "commands/output_list.h"
#include "schedule/schedule_text.h"

namespace kavtra {

std::string localTimeText(const LocalZone& zone, Instant at) {
    using namespace std::chrono;
    const local_seconds local = localTimeOf(zone, at);
    const local_days day = floor<days>(local);
    const hh_mm_ss time{local - day};
    char clock[16];
    std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return dateText(year_month_day{day}) + clock;
}

std::string eventText(const SchedulePlan& plan, const ScheduleEvent& event) {
    const ScheduleEntry& entry = plan.entries()[event.entry];
    std::vector<int> on;
    std::vector<int> off;
    for (const auto& [output, state] : plan.statesOf(event)) (state ? on : off).push_back(output);
    std::string text;
    const auto add = [&text](const std::string& part) { text += (text.empty() ? "" : " ") + part; };
    if (event.kind == ScheduleEvent::Kind::At && !entry.scene.empty()) add("scene=" + entry.scene);
    if (!on.empty()) add("on=" + listText(on));
    if (!off.empty()) add("off=" + listText(off));
    return text;
}

std::vector<std::string> upcomingLines(const SchedulePlan& plan, const LocalZone& zone, Instant after,
                                       std::size_t count) {
    std::vector<std::string> lines;
    for (const ScheduleEvent& event : plan.upcoming(after, count))
        lines.push_back(localTimeText(zone, event.at) + "\t" + plan.entries()[event.entry].name + "\t" +
                        eventText(plan, event));
    return lines;
}

}  // namespace kavtra
