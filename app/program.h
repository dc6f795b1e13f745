#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/output_engine.h"
#include "persist/files/settings.h"
#include "persist/profile/cls_ini.h"
#include "port/port_stack.h"
#include "runner/exit_signals.h"
#include "runner/output_runner.h"

namespace kavtra {

// What the program runs on, with a window or without: the port (opened
// here), the two files each behind its own clsINI, the outputs engine, the
// runner of the start and exit sequences, and the signals that end the
// program through the exit sequence.
class Program {
public:
    Program(const std::string& executableDir, PortFailureHandler onPortFailure);

    const std::string executableDir;
    std::unique_ptr<PortStack> port;
    // Where config.ini and Data.dat are.
    const std::string programDir;
    clsINI config;
    clsINI data;
    Settings settings;
    OutputEngine engine;
    OutputRunner runner;
    // Brings the window to the front; empty without a window.
    std::function<void()> showWindow;
    // Called by the exit sequence just before it ends the process: what must
    // still reach the outside (MQTT's "offline") is said here.
    std::function<void()> beforeEnd;

private:
    ExitSignals exitSignals_;
};

}  // namespace kavtra
