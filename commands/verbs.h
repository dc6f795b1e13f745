#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/parse.h"

namespace kavtra {

// How many values a verb takes. The socket splits its line into words at
// blanks; the command line's arguments are its words, so that a value with
// blanks in it is one argument there.
enum class Takes {
    Nothing,      // show, undo, reload
    One,          // toggle 5
    Rest,         // one value to the line's end, blanks and all: rename 3=Насос полива
    Each,         // any number, each word alike: get 1 40-45 @Двор
    NameAndEach,  // a name, then any number alike: save-scene Вечер 1-3
};

// The most words a verb takes.
std::size_t mostWords(Takes takes);

// One verb of the command language, as every transport that speaks in words
// (the socket, the command line) reads it.
struct Verb {
    std::string_view name;
    Takes takes;
    // Its words may name groups or a scene. On the socket a blank in them is
    // written %20 and a '%' %25, since blanks part the words there.
    bool escaped;
    // Its values as --help shows them after the option: "N=on|off [N=on|off ...]";
    // a value in brackets may be left out.
    std::string_view usage;
    // What it does, for --help. Empty for a verb the command line does not
    // offer: a second start asks `show` by itself.
    std::string_view help;
    // The command of its words, their count already checked; `formFault`
    // leads a refusal that is the verb's own (no values, no name).
    Parsed<Command> (*values)(const std::vector<std::string>& words, std::string_view formFault);
};

// Every verb, in the order of the alternatives of Command, which is also the
// order --help lists them in.
std::span<const Verb> verbs();
const Verb* verbNamed(std::string_view name);
const Verb& verbOf(const Command& command);

// Who reads the words: the socket names the verb before a fault of its form
// and quotes a bad value alone; the command line names its option before
// every fault.
enum class Reader { Socket, CommandLine };

// The command of a verb's words as written, escapes undone.
Parsed<Command> parseVerb(const Verb& verb, const std::vector<std::string>& words, Reader reader);

}  // namespace kavtra
