#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "engine/source.h"

namespace kavtra {

// The one command language: what the command line, the command socket and
// MQTT (and whatever comes next) ask of the running copy, once each has
// translated its own form. Every output number in a command made by the
// parsers is 1..300 and every pulse time is in range.
enum class Switch { On, Off, Toggle };

struct ShowCommand {
    bool operator==(const ShowCommand&) const = default;
};
struct SetCommand {
    std::vector<std::pair<int, Switch>> outputs;  // in one step
    bool operator==(const SetCommand&) const = default;
};
struct ToggleCommand {
    int output = 0;
    bool operator==(const ToggleCommand&) const = default;
};
struct AllCommand {
    bool on = false;
    bool operator==(const AllCommand&) const = default;
};
struct RenameCommand {
    int output = 0;
    std::string name;  // UTF-8, no control characters
    bool operator==(const RenameCommand&) const = default;
};
struct PulseCommand {
    int output = 0;
    int milliseconds = 0;
    bool operator==(const PulseCommand&) const = default;
};
struct GetCommand {
    std::vector<int> outputs;  // none: all of them
    bool operator==(const GetCommand&) const = default;
};
using Command =
    std::variant<ShowCommand, SetCommand, ToggleCommand, AllCommand, RenameCommand, PulseCommand, GetCommand>;

// A command and who sent it.
struct Request {
    Command command;
    Source source = Source::CommandLine;
};

}  // namespace kavtra
