#pragma once

#include <QLocalServer>

#include <memory>

#include "app/program.h"
#include "control/command_executor.h"
#include "control/command_server.h"
#include "control/output_pulses.h"

namespace kavtra {

// The running copy's side of the command socket, with a window or without:
// requests carried out on the engine, pulses, and their return before the
// exit policy. Made once the start sequence has run.
class CommandHost {
public:
    CommandHost(Program& program, std::unique_ptr<QLocalServer> server);

private:
    OutputPulses pulses_;
    CommandExecutor executor_;
    CommandServer server_;
};

}  // namespace kavtra
