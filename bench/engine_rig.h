#pragma once

#include <string>

#include "bench/bench_dir.h"
#include "commands/command_core.h"
#include "commands/rule_book.h"
#include "engine/output_engine.h"
#include "engine/wall_clock.h"
#include "outputs/shift_board.h"
#include "persist/files/settings.h"
#include "port/lpt.h"
#include "port/port_tap.h"
#include "port/simulated_port.h"
#include "runner/qt_timers.h"

namespace kavtra {

// The program's engine on a simulated port with the board model, every
// output off, its files and rules in a folder of its own, and the command
// core over it: what the benchmarks of a transport stand on.
struct EngineRig {
    EngineRig() {
        tap.addListener(board.listener());
        data.FileName(dataPath(dir));
        engine.applyPolicy(kPolicyAllOff, Source::StartPolicy);
        engine.LoadList();
        engine.Init_Outs();
    }
    BenchDir folder;
    const std::string dir = folder.path.string();
    SimulatedPort port;
    PortTap tap{port};
    ShiftBoard board;
    LPT lpt{tap};
    clsINI data;
    OutputEngine engine{data, lpt};
    QtTimers timers;
    SystemWallClock wallClock;
    OutputPulses pulses{engine, timers, wallClock};
    RuleBook rules{rulesPath(dir), engine, timers};
    CommandCore core{engine, pulses, rules};
};

}  // namespace kavtra
