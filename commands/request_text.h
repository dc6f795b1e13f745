#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/parse.h"
#include "commands/verbs.h"

namespace kavtra {

// A command as one line of text, as the command socket carries it: a verb
// of commands/verbs.h and its words, parted by blanks.
std::string formatRequest(const Command& command);
Parsed<Command> parseRequest(std::string_view line);

// A line's verb and its words: parted at runs of blanks, escapes undone
// where the verb's words may name a group or a scene; the rest of the line
// whole for a verb that takes it. These are the words the command line's
// arguments give.
struct RequestWords {
    const Verb* verb = nullptr;
    std::vector<std::string> words;
};
Parsed<RequestWords> requestWords(std::string_view line);

}  // namespace kavtra
