#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavtra {

enum class Switch { On, Off, Toggle };

struct OutputCommand {
    int output = 0;
    Switch action = Switch::On;
};

// A received command: either what to switch, or why nothing is switched.
struct ParsedCommand {
    std::vector<OutputCommand> commands;
    std::string rejection;  // empty when `commands` is to be applied
};

// Larger payloads are refused before anything else looks at them.
inline constexpr std::size_t kLargestCommand = 4096;

// Well-formed UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text);

// "ON", "OFF" or "TOGGLE", exactly.
std::optional<Switch> switchWord(std::string_view word);

// The payload of out/<n>/set.
ParsedCommand parseOutputCommand(int output, std::string_view payload);
// The payload of <base>/<node>/set: a JSON object of output numbers and
// words, such as {"12":"ON","13":"OFF"}. One bad entry refuses all of it.
ParsedCommand parseBatchCommand(std::string_view payload);

}  // namespace kavtra
