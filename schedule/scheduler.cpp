#include "schedule/scheduler.h"

#include <algorithm>

#include "persist/files/data_file.h"

namespace kavtra {
namespace {

bool isWindow(const ScheduleEntry& entry) { return entry.from.has_value(); }

std::vector<std::size_t> windowsOf(const SchedulePlan& plan, const std::function<bool(std::size_t)>& chosen) {
    std::vector<std::size_t> windows;
    for (std::size_t i = 0; i < plan.entries().size(); ++i)
        if (isWindow(plan.entries()[i]) && chosen(i)) windows.push_back(i);
    return windows;
}

}  // namespace

Scheduler::Scheduler(OutputEngine& engine, const WallClock& clock, WallAlarm& alarm, SceneStates sceneStates,
                     Missed missed)
    : engine_(engine), clock_(clock), alarm_(alarm), sceneStates_(std::move(sceneStates)), missed_(std::move(missed)) {
    saveHook_ = engine_.addSaveHook([this](const OutputChange&, const clsINI& data) {
        // Before the start there is nothing of this run's to keep, and the
        // last run's mark must survive until the start has read it; without
        // schedules Data.dat stays as it always was.
        if (plan_ && !plan_->entries().empty())
            data.WritePrivateINIString(kScheduleSection, kScheduleDoneKey, savedTimeText(done_));
    });
}

std::optional<Instant> Scheduler::savedDone(const clsINI& data) {
    const std::optional<SavedTime> saved = savedTime(data.GetPrivateINIString(kScheduleSection, kScheduleDoneKey, ""));
    if (!saved) return std::nullopt;
    return std::chrono::floor<std::chrono::seconds>(*saved);
}

Scheduler::~Scheduler() {
    alarm_.cancelAlarm();
    engine_.removeSaveHook(saveHook_);
}

Instant Scheduler::now() const { return std::chrono::floor<std::chrono::seconds>(clock_.wallNow()); }

void Scheduler::start(std::shared_ptr<const SchedulePlan> plan, std::optional<Instant> lastDone) {
    plan_ = std::move(plan);
    done_ = now();
    if (lastDone && *lastDone < done_) {
        const Instant from = std::max(*lastDone, done_ - kMissedLookBack);
        for (const ScheduleEvent& event : plan_->between(from, done_))
            if (event.kind == ScheduleEvent::Kind::At) missed_(plan_->entries()[event.entry], event.at);
    }
    applyWindows(windowsOf(*plan_, [](std::size_t) { return true; }));
    arm();
}

void Scheduler::replan(std::shared_ptr<const SchedulePlan> plan) {
    const std::shared_ptr<const SchedulePlan> before = std::move(plan_);
    plan_ = std::move(plan);
    if (!before) return;
    applyWindows(windowsOf(*plan_, [&](std::size_t i) {
        const auto& old = before->entries();
        return std::find(old.begin(), old.end(), plan_->entries()[i]) == old.end();
    }));
    arm();
}

void Scheduler::wake() {
    const Instant until = now();
    // A clock set back finds everything up to done_ carried out already:
    // nothing repeats, and the alarm waits for the next event after it.
    if (until > done_) {
        bool skippedWindows = false;
        const std::vector<ScheduleEvent> due = plan_->between(done_, until);
        // Saved with the first event's step: a crash after it names none of
        // these as missed.
        done_ = until;
        for (const ScheduleEvent& event : due) {
            if (until - event.at <= kLate) {
                run(event);
            } else if (event.kind == ScheduleEvent::Kind::At) {
                missed_(plan_->entries()[event.entry], event.at);
            } else {
                skippedWindows = true;
            }
        }
        if (skippedWindows) applyWindows(windowsOf(*plan_, [](std::size_t) { return true; }));
    }
    arm();
}

void Scheduler::arm() {
    const std::optional<ScheduleEvent> next = plan_ ? plan_->next(done_) : std::nullopt;
    if (!next) {
        alarm_.cancelAlarm();
        return;
    }
    alarm_.alarmAt(next->at, [this] { wake(); });
}

void Scheduler::run(const ScheduleEvent& event) {
    const ScheduleEntry& entry = plan_->entries()[event.entry];
    std::vector<std::pair<int, bool>> states;
    // The scene first: the entry's own lists have the last word.
    if (event.kind == ScheduleEvent::Kind::At && !entry.scene.empty()) {
        if (std::optional<std::vector<std::pair<int, bool>>> scene = sceneStates_(entry.scene)) states = *scene;
    }
    for (const auto& state : plan_->statesOf(event)) {
        std::erase_if(states, [&](const auto& earlier) { return earlier.first == state.first; });
        states.push_back(state);
    }
    engine_.set(states, Source::schedule(entry.name));
}

void Scheduler::applyWindows(const std::vector<std::size_t>& entries) {
    if (entries.empty()) return;
    const std::vector<std::pair<int, bool>> all = plan_->windowStates(now());
    for (const std::size_t i : entries) {
        const ScheduleEntry& entry = plan_->entries()[i];
        std::vector<std::pair<int, bool>> changes;
        for (const auto& [output, on] : all) {
            const bool listed = std::binary_search(entry.on.begin(), entry.on.end(), output) ||
                                std::binary_search(entry.off.begin(), entry.off.end(), output);
            if (listed && engine_.isOn(output) != on) changes.emplace_back(output, on);
        }
        engine_.set(changes, Source::schedule(entry.name));
    }
}

}  // namespace kavtra
