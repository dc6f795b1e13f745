#pragma once

#include <QString>

#include <functional>
#include <string>

#include "commands/command.h"

namespace kavtra {

// The exit statuses of a command-line invocation.
enum ExitStatus : int {
    kExitDone = 0,
    kExitCouldNotStart = 1,  // the port, or (without a window) a copy already running
    kExitBadUsage = 2,
    kExitNoRunningCopy = 3,
    kExitRefused = 4,
    kExitNotSaved = 5,  // carried out, but Data.dat could not be saved
};

// Where a command's output goes: lines of data and messages, each without
// its '\n'.
struct ClientOutput {
    std::function<void(const std::string&)> data;
    std::function<void(const std::string&)> message;
};

// Hands one command to the copy that listens on serverName and waits for its
// reply. Never starts the port or anything else itself: without a running
// copy it says how to start one.
int sendCommand(const QString& serverName, const Command& command, const ClientOutput& out);

}  // namespace kavtra
