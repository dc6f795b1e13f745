#pragma once

#include <memory>
#include <string>

#include "engine/output_engine.h"
#include "engine/output_pulses.h"
#include "persist/files/settings.h"
#include "persist/profile/cls_ini.h"
#include "port/port_stack.h"
#include "runner/exit_signals.h"
#include "runner/output_runner.h"
#include "runner/qt_timers.h"

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
    OutputPulses pulses;
    OutputRunner runner;

private:
    ExitSignals exitSignals_;
};

}  // namespace kavtra
