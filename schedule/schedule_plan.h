#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "schedule/local_zone.h"
#include "schedule/schedule_entry.h"

namespace kavtra {

using Instant = std::chrono::sys_seconds;

// A moment a schedule acts.
struct ScheduleEvent {
    enum class Kind { At, From, To };
    Instant at;
    std::size_t entry = 0;  // index into the plan's entries
    Kind kind = Kind::At;
    bool operator==(const ScheduleEvent&) const = default;
};

// When the schedules act, in the local time of `zone`. A local time that a
// summer-time change skips acts at the first moment after the gap; one that
// comes twice acts at its first coming only.
class SchedulePlan {
public:
    SchedulePlan(std::vector<ScheduleEntry> entries, std::optional<Place> place, const LocalZone& zone);

    const std::vector<ScheduleEntry>& entries() const { return entries_; }

    // Events in (after, until], in time order, ties in entry order.
    std::vector<ScheduleEvent> between(Instant after, Instant until) const;
    // The first event after `after`, if any is left.
    std::optional<ScheduleEvent> next(Instant after) const;
    // The first `count` events after `after`, in time order.
    std::vector<ScheduleEvent> upcoming(Instant after, std::size_t count) const;

    // What the windows of time call for at `at`: each output of a window's
    // lists with its state (an output inside any of its windows is on).
    std::vector<std::pair<int, bool>> windowStates(Instant at) const;
    // What an event switches: an At's On and Off lists; a From's or To's
    // outputs with the state the windows call for just after it (so an
    // output another window still covers stays on). The scene, if any, is
    // entries()[event.entry].scene.
    std::vector<std::pair<int, bool>> statesOf(const ScheduleEvent& event) const;

private:
    // The days and moments one question needs, each worked out once.
    struct Calendar;

    std::vector<ScheduleEntry> entries_;
    // Each entry's dates in order, for Days with dates.
    std::vector<std::vector<std::chrono::sys_days>> dates_;
    std::optional<Place> place_;
    const LocalZone& zone_;
};

}  // namespace kavtra
