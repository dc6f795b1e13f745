#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kavtra {

// What a script asks of the running copy. Every output number in a command
// made by the parsers below is 1..300 and every pulse time is in range.
struct ShowCommand {
    bool operator==(const ShowCommand&) const = default;
};
struct SetCommand {
    std::vector<std::pair<int, bool>> outputsOn;  // true = on
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

constexpr int kPulseMinMs = 50;
constexpr int kPulseMaxMs = 600000;

// A parsed value, or why the text was refused: a Russian sentence in UTF-8
// that quotes the text, for the message of the command line or the reply of
// the socket.
template <class T>
struct Parsed {
    std::optional<T> value;
    std::string error;

    static Parsed refused(std::string why) { return {std::nullopt, std::move(why)}; }
    explicit operator bool() const { return value.has_value(); }
};

// The pieces of the command line and of the socket's requests; both use the
// same forms, so a value means the same thing in either place.
Parsed<int> parseOutput(std::string_view text);                       // "1".."300"
Parsed<bool> parseOnOff(std::string_view text);                       // "on" / "off"
Parsed<std::pair<int, bool>> parseAssignment(std::string_view text);  // "N=on" / "N=off"
Parsed<PulseCommand> parsePulse(std::string_view text);               // "N=MS"
Parsed<RenameCommand> parseRename(std::string_view text);             // "N=TEXT"

// A name as a rename stores it: control characters (line breaks and tabs
// among them) become blanks, as the file would write them, so the name
// shown, saved and printed by --get are one and the same.
// Nullopt when the text is not well-formed UTF-8.
std::optional<std::string> cleanName(std::string_view text);

}  // namespace kavtra
