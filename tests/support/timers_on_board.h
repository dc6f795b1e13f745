#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/change_record.h"
#include "plant/plant.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/manual_timers.h"
#include "tests/support/zone_clock.h"

namespace kavtra::test {

// One run of the plant on a folder and a board an earlier run may have left
// (a restart), started with this policy at this time on the calendar. Its
// log lines are kept without their time ("timer\t5=off").
struct TimersRun {
    TimersRun(const std::string& dir, BoardOnPort& port, WallTime now, std::int16_t policy = kPolicyRemembered)
        : plant(port.lpt, dir, {timers, timers, timers, timers, zone}) {
        timers.setWallClock(now);
        plant.settings.writeValLoad(policy);
        engine.addListener([this](const OutputChange& change) {
            for (const std::string& line : changeLines(change, engine, "")) log.push_back(line.substr(1));
        });
        port.tap.addListener([this, &port, seen = port.board.latchPulses()](const PortAccess&) mutable {
            if (port.board.latchPulses() == seen) return;
            seen = port.board.latchPulses();
            for (int output = 1; output <= OutState::kOutputs; ++output)
                if (port.board.outputLevel(output) == 1) latchedOn.insert(output);
        });
        plant.start();
    }

    ManualTimers timers;
    FixedZone zone{std::chrono::seconds(0)};
    Plant plant;
    OutputEngine& engine = plant.engine;
    OutputPulses& pulses = plant.pulses;
    std::vector<std::string> log;
    std::set<int> latchedOn;  // every output a latch of this run showed on
};

}  // namespace kavtra::test
