#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/rule_runner.h"
#include "automation/sequences.h"
#include "commands/command_core.h"
#include "counters/output_counters.h"
#include "engine/change_record.h"
#include "engine/input_watch.h"
#include "engine/output_engine.h"
#include "engine/output_pulses.h"
#include "engine/safety_timers.h"
#include "engine/switch_counts.h"
#include "engine/timers.h"
#include "engine/wall_clock.h"
#include "persist/files/settings.h"
#include "persist/log/change_log.h"
#include "persist/profile/cls_ini.h"
#include "port/lpt.h"
#include "rules/rule_book.h"
#include "schedule/local_zone.h"
#include "schedule/scheduler.h"

namespace kavtra {

// What the plant keeps time by: the program's event loop and the system's
// calendar, or clocks a test or a benchmark moves.
struct PlantClocks {
    Timers& timers;     // pulses, limits and the inputs' poll
    Timers& deadTimes;  // the interlocks'
    const WallClock& calendar;
    WallAlarm& alarm;  // the schedules'
    const LocalZone& zone;
};

// Everything that decides what the outputs are, built from a port, clocks
// and the folder of the files, in the one order the program runs it: the
// engine with its inputs, pulses and limits, the rules (read here, and pushed to
// the engine and the limits whenever they are read again), the schedules,
// the sequences, the counters, the command core, the change log, and the start and exit sequences. Plain
// C++: the program, the tests and the benchmarks all build this one.
class Plant {
public:
    // Rules.ini is read here, so that the start keeps to its interlocks;
    // what is at fault there is in rules.problems(). Without `engineThread`
    // the rules are read again on the caller's thread only.
    Plant(LPT& lpt, const std::string& filesDir, PlantClocks clocks, EngineThread engineThread = {});
    Plant(const Plant&) = delete;
    Plant& operator=(const Plant&) = delete;

    const clsINI config;
    const clsINI data;
    Settings settings;
    OutputEngine engine;
    InputWatch inputs;  // polled while a rule or Home Assistant wants them
    OutputPulses pulses;
    SafetyTimers safety;
    OutputCounters counters;
    RuleBook rules;
    Sequences sequences;
    CommandCore core;
    ChangeLog changeLog;
    ChangeLogWriter logWriter;
    SwitchCounts switches;  // from the start policy on
    Scheduler scheduler;
    RuleRunner ruleRunner;

    // The start sequence, reading one snapshot of each file: the counters
    // the last run left, the start policy, the names, what came due while the program was not running (a
    // limit, a pulse's return), the first transfer, the port set up, and,
    // with no refresh running to repair what setting it up lost, one more
    // transfer; then the schedules start, and the sequences the last run
    // left going. Gives the refresh period
    // (TimeUpdate; 0 or less: none).
    std::int32_t start();
    // The exit sequence, once: running pulses back to rest, the exit policy,
    // the last transfer, the data lines released, then the final steps.
    // False when it had already run.
    bool exit();
    bool exiting() const { return exiting_; }
    // A step the exit takes last, after the data lines are released: what
    // must still reach the outside (MQTT's "offline") or be tidied (the
    // command socket).
    void addFinalStep(std::function<void()> step) { finalSteps_.push_back(std::move(step)); }

    // Told of each new fault of [Outputs] Inverted as standard error tells
    // it, and with an empty text once a reading serves again.
    void onInversionFault(std::function<void(const std::string&)> tell) { tellInversionFault_ = std::move(tell); }
    // The fault in force, empty while the setting serves.
    const std::string& inversionFault() const { return inversionFault_; }

    // A scene's states, or nothing when Rules.ini has no scene of that name.
    std::optional<std::vector<std::pair<int, bool>>> sceneStates(const std::string& name) const;

private:
    std::shared_ptr<const SchedulePlan> schedulePlan() const;
    void applyPolicy(std::int16_t policy, const std::string& scene, const Source& source);
    // [Outputs] Inverted as the next transfer must use it: a value that does
    // not read keeps the last that did (none yet at the start: then nothing
    // is transferred), since either guess could switch loads on. Each new
    // fault is told once, on standard error.
    std::optional<InvertedOutputs> readInversion();
    // A line of Kavtra.log in words, of this source.
    void remark(const Source& source, const std::string& text);

    const PlantClocks clocks_;
    bool exiting_ = false;
    std::optional<InvertedOutputs> inverted_;
    std::string inversionFault_;
    std::function<void(const std::string&)> tellInversionFault_;
    std::vector<std::function<void()>> finalSteps_;
};

}  // namespace kavtra
