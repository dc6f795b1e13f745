#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/command.h"

namespace kavtra {

// What the program was started to do.
struct CommandLine {
    enum class Action {
        Window,       // the program with its window
        NoWindow,     // the program without a window
        Send,         // hand `command` to the running copy
        Log,          // print the last `lines` lines of Kavtra.log
        Schedule,     // print the schedules' next `lines` events
        AddToken,     // a web access token `name` with `role` in Rules.ini
        RemoveToken,  // the web access token `name` gone from Rules.ini
        Export,       // the setup's files into the archive `name`, with secrets if `secrets`
        Import,       // the setup's files from the archive `name`
        Help,         // print helpText()
        Version,      // print versionText()
        BadUsage,     // print `message`, end with status 2
    };
    Action action = Action::Window;
    std::optional<Command> command;
    std::string message;
    std::size_t lines = 0;  // for Log and Schedule
    std::string name{};     // for AddToken and RemoveToken
    std::string role{};     // for AddToken: "read" or "switch"
    std::string scope{};    // for AddToken: its Scope=, empty for every output
    bool secrets = false;   // for Export
};

// `arguments` in UTF-8, the program first. Plain C++, so that a command needs
// no library to be read.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The process's arguments in UTF-8: on Windows from its UTF-16 command line,
// since argv holds them in the system's code page.
std::vector<std::string> programArguments(int argc, char** argv);

std::string helpText();
std::string versionText();

}  // namespace kavtra
