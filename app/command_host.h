#pragma once

#include <QLocalServer>

#include <memory>

#include "app/program.h"
#include "commands/command_core.h"
#include "control/command_server.h"

namespace kavtra {

// The running copy's side of the command socket, with a window or without.
// Made once the start sequence has run.
class CommandHost {
public:
    // `window` is null when the program runs without a window.
    CommandHost(Program& program, std::unique_ptr<QLocalServer> server, WindowShower* window);

private:
    CommandServer server_;
};

}  // namespace kavtra
