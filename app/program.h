#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "outputs/shift_board.h"
#include "plant/plant.h"
#include "port/port_stack.h"
#include "runner/exit_signals.h"
#include "runner/output_runner.h"
#include "runner/qt_timers.h"
#include "runner/wall_alarm.h"

namespace kavtra {

// Asked when the port cannot be opened, before either file is read: true
// goes on with the modelled board for this run instead.
using ModelledBoardOffer = std::function<bool(const PortFailure&)>;

// What the program runs on, with a window or without: the port (opened
// here), the plant over it on the event loop's timers and the system's
// calendar, the runner of its start and exit sequences, and the signals that
// end the program through the exit sequence. Built, it has run the start
// sequence: the transports and the window come after it.
class Program {
public:
    // Without an offer, or when it is declined, a port that cannot be opened
    // goes to onPortFailure, which ends the program.
    Program(const std::string& executableDir, PortFailureHandler onPortFailure, const ModelledBoardOffer& offer = {});

    // Where the program and its pages are.
    const std::string executableDir;
    // The port the modelled board stands in for, when the offer was taken.
    std::optional<PortFailure> unopenedPort;
    std::unique_ptr<PortStack> port;
    // The model of the board on the simulated port, for the bench window;
    // none on a real port. It hears every access from the start's first
    // transfer on, which comes before any window.
    const std::unique_ptr<ShiftBoard> board;
    // Where config.ini and Data.dat are: executableDir, unless the program
    // may not write there.
    const std::string filesDir;
    QtTimers timers;
    QtTimers deadTimes;  // of the interlocks
    SystemWallAlarm calendar;
    // Rules.ini is read before the start sequence, so that its policy keeps
    // to the interlocks; entries at fault are named on standard error, and a
    // file that cannot be read in the log too. `--reload` reads it off the
    // event loop.
    Plant plant;
    OutputRunner runner;

    // A last deed after the exit sequence, just before the process ends,
    // when the program's files are no longer its own: the window's restore
    // from a backup.
    void atEnd(std::function<void()> deed) { atEnd_ = std::move(deed); }

private:
    std::function<void()> atEnd_;
    ExitSignals exitSignals_;
};

}  // namespace kavtra
