#pragma once

#include <QStringList>

#include <optional>
#include <string>

#include "commands/command.h"

namespace kavtra {

// What the program was started to do.
struct CommandLine {
    enum class Action {
        Window,    // the program with its window
        NoWindow,  // the program without a window
        Send,      // hand `command` to the running copy
        Help,      // print helpText()
        Version,   // print versionText()
        BadUsage,  // print `message`, end with status 2
    };
    Action action = Action::Window;
    std::optional<Command> command;
    std::string message;
};

// `arguments` as QCoreApplication::arguments() gives them, the program first.
CommandLine parseCommandLine(const QStringList& arguments);

std::string helpText();
std::string versionText();

}  // namespace kavtra
