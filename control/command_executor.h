#pragma once

#include <functional>

#include "control/output_pulses.h"
#include "control/protocol.h"
#include "engine/output_engine.h"

namespace kavtra {

// The running copy's answer to a checked request: the command carried out on
// the engine, on the thread the engine lives on.
class CommandExecutor {
public:
    // showWindow is empty when the program runs without a window.
    CommandExecutor(OutputEngine& engine, OutputPulses& pulses, std::function<void()> showWindow);

    Reply operator()(const Command& command);

private:
    OutputEngine& engine_;
    OutputPulses& pulses_;
    std::function<void()> showWindow_;
};

}  // namespace kavtra
