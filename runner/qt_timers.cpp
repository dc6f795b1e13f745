#include "runner/qt_timers.h"

#include <QTimer>

namespace kavtra {

void QtTimers::start(int id, std::chrono::milliseconds after, std::function<void()> due) {
    Entry& entry = entries_[id];
    if (!entry.timer) {
        entry.timer = new QTimer(this);
        entry.timer->setSingleShot(true);
        // A coarse timer may come 5 % early or late: a 10 ms poll of the
        // inputs could fall short of a debounce, a sequence's 100 ms step be
        // 5 ms off its plan, a 10 min limit 30 s.
        entry.timer->setTimerType(Qt::PreciseTimer);
        connect(entry.timer, &QTimer::timeout, this, [this, id] {
            // The call may start this id anew: it runs from a copy.
            const std::function<void()> call = entries_[id].due;
            call();
        });
    }
    entry.due = std::move(due);
    entry.timer->start(after);
}

std::chrono::milliseconds QtTimers::now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

void QtTimers::stop(int id) {
    if (const auto found = entries_.find(id); found != entries_.end()) found->second.timer->stop();
}

}  // namespace kavtra
