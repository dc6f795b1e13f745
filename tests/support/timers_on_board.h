#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/change_record.h"
#include "engine/output_pulses.h"
#include "engine/safety_timers.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/manual_timers.h"

namespace kavtra::test {

// One run of the engine with its pulses and limits, on a board and Data.dat an
// earlier run may have left (a restart), started as the runner starts it. Its
// log lines are kept without their time ("timer\t5=off").
struct TimersRun {
    TimersRun(const clsINI& data, BoardOnPort& port, const SafetyTimers::Limits& limits, WallTime now,
              std::int16_t policy = kPolicyRemembered)
        : engine(data, port.lpt) {
        timers.setWallClock(now);
        engine.addListener([this](const OutputChange& change) {
            for (const std::string& line : changeLines(change, engine, "")) log.push_back(line.substr(1));
        });
        port.tap.addListener([this, &port, seen = port.board.latchPulses()](const PortAccess&) mutable {
            if (port.board.latchPulses() == seen) return;
            seen = port.board.latchPulses();
            for (int output = 1; output <= OutState::kOutputs; ++output)
                if (port.board.outputLevel(output) == 1) latchedOn.insert(output);
        });
        safety.setLimits(limits);
        engine.applyPolicy(policy, Source::StartPolicy);
        engine.LoadList([this] {
            safety.resume();
            pulses.resume();
        });
    }

    ManualTimers timers;
    OutputEngine engine;
    OutputPulses pulses{engine, timers, timers};
    SafetyTimers safety{engine, timers, timers};
    std::vector<std::string> log;
    std::set<int> latchedOn;  // every output a latch of this run showed on
};

}  // namespace kavtra::test
