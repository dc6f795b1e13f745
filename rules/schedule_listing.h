#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "rules/rules.h"
#include "schedule/schedule_plan.h"

namespace kavtra {

// "2026-12-08 06:00:00", the local time of `zone`.
std::string localTimeText(const LocalZone& zone, Instant at);

// What an event does: "on=40-45 off=7", "scene=Праздник on=3".
std::string eventText(const SchedulePlan& plan, const ScheduleEvent& event);

// The next `count` events after `after`, each "TIME<TAB>NAME<TAB>WHAT", in
// time order: what `--schedule` prints.
std::vector<std::string> upcomingLines(const SchedulePlan& plan, const LocalZone& zone, Instant after,
                                       std::size_t count);

}  // namespace kavtra
