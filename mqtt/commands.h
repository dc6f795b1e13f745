#pragma once

#include <string>
#include <string_view>

#include "commands/parse.h"

namespace kavtra {

// MQTT's payloads as requests of the one command language. The payload
// words are MQTT's own, exactly "ON", "OFF" and "TOGGLE" (what Home
// Assistant sends); the output numbers, the checks of size and encoding and
// the meaning of each word are the command line's.

// The payload of out/<n>/set.
Parsed<Command> parseOutputCommand(int output, std::string_view payload);
// The payload of <base>/<node>/set: a JSON object of output numbers and
// words, such as {"12":"ON","13":"OFF"}, switched in one step. One bad entry
// refuses all of it.
Parsed<Command> parseBatchCommand(std::string_view payload);
// The payload of group/<slug>/set: the words of out/<n>/set, for the group.
Parsed<Command> parseGroupCommand(const std::string& group, std::string_view payload);
// The payloads Home Assistant sends a scene ("ON") and a button ("PRESS").
Parsed<Command> parseSceneCommand(const std::string& scene, std::string_view payload);
Parsed<Command> parseUndoCommand(std::string_view payload);
// The payloads of a sequence's switch (ON starts it, OFF stops it) and a
// rule's (ON and OFF switch it).
Parsed<Command> parseSequenceCommand(const std::string& sequence, std::string_view payload);
Parsed<Command> parseRuleCommand(const std::string& rule, std::string_view payload);

}  // namespace kavtra
