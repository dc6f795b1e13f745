#pragma once

#include <memory>
#include <string>

#include "commands/command_core.h"
#include "commands/rule_book.h"
#include "engine/change_record.h"
#include "engine/output_engine.h"
#include "engine/output_pulses.h"
#include "engine/safety_timers.h"
#include "persist/files/settings.h"
#include "persist/profile/cls_ini.h"
#include "port/port_stack.h"
#include "runner/exit_signals.h"
#include "runner/output_runner.h"
#include "runner/qt_timers.h"
#include "runner/wall_alarm.h"
#include "schedule/scheduler.h"

namespace kavtra {

// What the program runs on, with a window or without: the port (opened
// here), the two files each behind its own clsINI, the outputs engine and
// its pulses, the runner of the start and exit sequences, and the signals
// that end the program through the exit sequence.
class Program {
public:
    Program(const std::string& executableDir, PortFailureHandler onPortFailure);

    // Where the program and its pages are.
    const std::string executableDir;
    std::unique_ptr<PortStack> port;
    // Where config.ini and Data.dat are: executableDir, unless the program
    // may not write there.
    const std::string filesDir;
    const clsINI config;
    const clsINI data;
    Settings settings;
    OutputEngine engine;
    QtTimers timers;
    SystemWallClock wallClock;
    OutputPulses pulses;
    // The outputs' limits on their time on, from Rules.ini.
    SafetyTimers safety;
    QtTimers deadTimes;  // of the interlocks
    // Read before the start sequence, so that its policy keeps to the
    // interlocks; entries at fault are named on standard error, and a file
    // that cannot be read in the log too. `--reload` reads it off the event
    // loop.
    RuleBook rules;
    // Where every request becomes a change: the window's, the command
    // socket's, MQTT's.
    CommandCore core;
    // Every step that reaches the port, from the start policy on.
    ChangeLog changeLog;
    ChangeLogWriter logWriter;
    OutputRunner runner;
    SystemWallAlarm calendar;
    // Started at the end of the start sequence; each reading of the rules
    // gives it a new plan.
    Scheduler scheduler;

    // A scene's states, or nothing when Rules.ini has no scene of that name.
    std::optional<std::vector<std::pair<int, bool>>> sceneStates(const std::string& name) const;
    std::shared_ptr<const SchedulePlan> schedulePlan() const;

private:
    ExitSignals exitSignals_;
};

}  // namespace kavtra
