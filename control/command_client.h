#pragma once

#include <QString>

#include <functional>
#include <string>

#include "control/command.h"

namespace kavtra {

// The exit statuses of a command-line invocation.
enum ExitStatus : int {
    kExitDone = 0,
    kExitBadUsage = 2,
    kExitNoRunningCopy = 3,
    kExitRefused = 4,
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
