#pragma once

#include <string>

#include "bench/bench_dir.h"
#include "outputs/shift_board.h"
#include "plant/plant.h"
#include "port/lpt.h"
#include "port/port_tap.h"
#include "port/simulated_port.h"
#include "runner/qt_timers.h"
#include "runner/wall_alarm.h"

namespace kavtra {

// The program's plant on a simulated port with the board model, every
// output off, its files and rules in a folder of its own, started on the
// event loop's timers and the system's calendar: what the benchmarks of a
// transport stand on.
struct EngineRig {
    EngineRig() {
        tap.addListener(board.listener());
        plant.settings.writeValLoad(kPolicyAllOff);
        plant.start();
    }
    BenchDir folder;
    const std::string dir = folder.path.string();
    SimulatedPort port;
    PortTap tap{port};
    ShiftBoard board;
    LPT lpt{tap};
    QtTimers timers;
    QtTimers deadTimes;
    SystemWallAlarm calendar;
    Plant plant{lpt, dir, {timers, deadTimes, calendar, calendar, systemZone()}};
    OutputEngine& engine = plant.engine;
    RuleBook& rules = plant.rules;
    CommandCore& core = plant.core;
};

}  // namespace kavtra
