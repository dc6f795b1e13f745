#pragma once

#include <string>
#include <string_view>

#include "commands/parse.h"

namespace kavtra {

// A command as one line of text, as the command socket carries it: a word
// and the command line's own value forms,
//   show | set N=on|off|toggle ... | toggle N | all on|off | rename N=TEXT |
//   pulse N=MS | get [N ...]
std::string formatRequest(const Command& command);
Parsed<Command> parseRequest(std::string_view line);

}  // namespace kavtra
