#pragma once

#include <string>
#include <string_view>

#include "commands/parse.h"

namespace kavtra {

// A command as one line of text, as the command socket carries it: a verb
// of commands/verbs.h and its words, parted by blanks.
std::string formatRequest(const Command& command);
Parsed<Command> parseRequest(std::string_view line);

}  // namespace kavtra
