#include "runner/wall_alarm.h"

namespace kavtra {

void SystemWallAlarm::fired() {
    // The call sets the next alarm itself.
    const std::function<void()> due = std::move(due_);
    due_ = nullptr;
    if (due) due();
}

}  // namespace kavtra
