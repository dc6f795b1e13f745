#pragma once

#include "commands/command.h"
#include "commands/reply.h"
#include "engine/output_engine.h"
#include "engine/output_pulses.h"

namespace kavtra {

// What `show` needs of the window: the program without one has none.
class WindowShower {
public:
    virtual ~WindowShower() = default;
    virtual void showWindow() = 0;
};

// Where a request becomes a change: every transport hands its requests here,
// on the thread the engine lives on, and gets the reply to send back.
class CommandCore {
public:
    // `window` is null when the program runs without a window.
    CommandCore(OutputEngine& engine, OutputPulses& pulses, WindowShower* window);

    Reply execute(const Request& request);

private:
    OutputEngine& engine_;
    OutputPulses& pulses_;
    WindowShower* window_;
};

}  // namespace kavtra
