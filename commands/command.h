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

// What a request switches or reads: one output, or a group by its name.
struct Target {
    int output = 0;     // 1..300; 0 for a group
    std::string group;  // the group's name, without the '@'
    Target() = default;
    Target(int number) : output(number) {}  // NOLINT: an output number is a target
    static Target ofGroup(std::string name) {
        Target target;
        target.group = std::move(name);
        return target;
    }
    bool operator==(const Target&) const = default;
};

struct ShowCommand {
    bool operator==(const ShowCommand&) const = default;
};
struct SetCommand {
    std::vector<std::pair<Target, Switch>> outputs;  // in one step
    bool operator==(const SetCommand&) const = default;
};
struct ToggleCommand {
    Target output;
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
    std::vector<Target> outputs;  // none: all of them
    bool operator==(const GetCommand&) const = default;
};
// The five inputs as they are now, read at once.
struct GetInputsCommand {
    bool operator==(const GetInputsCommand&) const = default;
};
struct SceneCommand {
    std::string name;
    bool operator==(const SceneCommand&) const = default;
};
// The current states of the targets (none: all 300) kept as a scene.
struct SaveSceneCommand {
    std::string name;
    std::vector<Target> outputs;
    bool operator==(const SaveSceneCommand&) const = default;
};
struct UndoCommand {
    bool operator==(const UndoCommand&) const = default;
};
// Rules.ini read anew.
struct ReloadCommand {
    bool operator==(const ReloadCommand&) const = default;
};
// A sequence of Rules.ini started (or, paused, resumed from where it
// stood), paused, or stopped.
struct StartCommand {
    std::string name;
    bool operator==(const StartCommand&) const = default;
};
struct PauseCommand {
    std::string name;
    bool operator==(const PauseCommand&) const = default;
};
struct StopCommand {
    std::string name;
    bool operator==(const StopCommand&) const = default;
};
// A rule of Rules.ini switched on or off, kept there.
struct RuleCommand {
    std::string name;
    bool on = true;
    bool operator==(const RuleCommand&) const = default;
};
// How often the targets (none: all 300) switched and how long they were on.
struct StatsCommand {
    std::vector<Target> outputs;
    bool operator==(const StatsCommand&) const = default;
};
// The targets' (none: all 300) counters back to none.
struct ResetStatsCommand {
    std::vector<Target> outputs;
    bool operator==(const ResetStatsCommand&) const = default;
};
using Command = std::variant<ShowCommand, SetCommand, ToggleCommand, AllCommand, RenameCommand, PulseCommand,
                             GetCommand, GetInputsCommand, SceneCommand, SaveSceneCommand, UndoCommand, ReloadCommand,
                             StartCommand, PauseCommand, StopCommand, RuleCommand, StatsCommand, ResetStatsCommand>;

// A command and who sent it.
struct Request {
    Command command;
    Source source = Source::CommandLine;
};

}  // namespace kavtra
