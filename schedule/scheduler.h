#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/output_engine.h"
#include "engine/wall_clock.h"
#include "schedule/schedule_plan.h"

namespace kavtra {

// Carries out the schedules on the calendar clock: each event one step of
// the engine (interlocks, one save, one transfer) with the source
// schedule:NAME. Between events nothing runs: the one alarm is set for the
// next event. A change by hand therefore holds until the output's next
// event.
class Scheduler {
public:
    using SceneStates = std::function<std::optional<std::vector<std::pair<int, bool>>>(const std::string& name)>;
    // An event that was not carried out at its time: the program was not
    // running then, or the clock was set past it.
    using Missed = std::function<void(const ScheduleEntry& entry, Instant at)>;

    // An event found this much after its time was skipped by a clock set
    // forward (or a machine asleep), not merely woken late.
    static constexpr std::chrono::seconds kLate{60};
    // How far back a start names the events it missed.
    static constexpr std::chrono::hours kMissedLookBack{24 * 7};

    Scheduler(OutputEngine& engine, const WallClock& clock, WallAlarm& alarm, SceneStates sceneStates, Missed missed);
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // From now on, `plan`. The windows of time apply the state they call for
    // now; the single events since `lastDone` (until when the schedules were
    // carried out before this start, if known) are named as missed. From
    // then on every save of Data.dat keeps done() in it.
    void start(std::shared_ptr<const SchedulePlan> plan, std::optional<Instant> lastDone);
    // What the last run kept in Data.dat as its done(), if anything.
    static std::optional<Instant> savedDone(const clsINI& data);
    // The plan read anew: windows that are new or changed apply their state
    // now; every other output holds until its next event.
    void replan(std::shared_ptr<const SchedulePlan> plan);

    // Until when the events are carried out (or named as missed).
    Instant done() const { return done_; }
    const SchedulePlan* plan() const { return plan_.get(); }

private:
    Instant now() const;
    void wake();
    void arm();
    void run(const ScheduleEvent& event);
    // The windows' states now for the outputs of these entries, one step per
    // entry that would change something.
    void applyWindows(const std::vector<std::size_t>& entries);

    OutputEngine& engine_;
    OutputEngine::SaveHookId saveHook_;
    const WallClock& clock_;
    WallAlarm& alarm_;
    SceneStates sceneStates_;
    Missed missed_;
    std::shared_ptr<const SchedulePlan> plan_;
    Instant done_{};
};

}  // namespace kavtra
