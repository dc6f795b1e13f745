#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "commands/command.h"

namespace kavtra {

// The longest request any transport hands over, in bytes: a socket line
// without its '\n', an MQTT payload.
inline constexpr std::size_t kMaxRequestBytes = 4096;

inline constexpr int kPulseMinMs = 50;
inline constexpr int kPulseMaxMs = 600000;

// A parsed value, or why the text was refused: a Russian sentence in UTF-8
// that quotes the text, for the command line's message, the socket's reply
// and MQTT's log line alike.
template <class T>
struct Parsed {
    std::optional<T> value;
    std::string error;

    static Parsed refused(std::string why) { return {std::nullopt, std::move(why)}; }
    explicit operator bool() const { return value.has_value(); }
};

// Whether `text` is the word `lower` (lower-case ASCII) in any letter case.
bool isAsciiNoCase(std::string_view text, std::string_view lower);

// A whole number made of digits only (at most 12), nothing around it.
std::optional<long long> digitsValue(std::string_view text);

// A duration in milliseconds: plain digits are milliseconds; otherwise
// numbers each followed by its unit, largest first, each unit once: "90s",
// "20m", "2h", "1h30m", "1m500ms". Units are h, m, s and ms.
std::optional<long long> durationValue(std::string_view text);

// The value forms every transport uses, so that a value means the same
// wherever it comes from.
Parsed<int> parseOutput(std::string_view text);     // digits, 1..300 ("007" is 7)
Parsed<bool> parseOnOff(std::string_view text);     // on / off, any letter case
Parsed<Switch> parseSwitch(std::string_view text);  // on / off / toggle, any letter case
Parsed<Target> parseTarget(std::string_view text);  // "N" or "@GROUP"
// "N", "@GROUP", or outputs as Rules.ini lists them: "40-45", "1-3,7"; in order.
Parsed<std::vector<Target>> parseTargets(std::string_view text);
// "N=on" / "@GROUP=off" / "N=toggle" / "40-45=on": each target with its switch.
Parsed<std::vector<std::pair<Target, Switch>>> parseAssignments(std::string_view text);
Parsed<PulseCommand> parsePulse(std::string_view text);    // "N=MS", "N=2s"
Parsed<RenameCommand> parseRename(std::string_view text);  // "N=TEXT"

// Whether a text may name a group, scene or interlock: not empty, no '[',
// ']', '=' or control characters, well-formed UTF-8, no blank at either end.
bool isRuleName(std::string_view name);
// What a refusal of such a name asks for; `whose` as the genitive: "группы".
std::string ruleNameWanted(std::string_view whose);

// What every request's text must be before anything reads it: at most
// kMaxRequestBytes, well-formed UTF-8. Empty when it is.
std::string envelopeProblem(std::string_view text);
// Why a request beyond kMaxRequestBytes is refused.
std::string requestTooLong();

// A text as a message shows it: cut when long; control characters and
// broken UTF-8 shown as '?', so that a message never sends a terminal or a
// log anything but text.
std::string quoted(std::string_view text);
// What a request, a rule or a setting names that Rules.ini lacks: "нет сцены
// «Вечер»", "нет группы «Сад»".
std::string noScene(std::string_view name);
std::string noGroup(std::string_view name);
std::string noSequence(std::string_view name);
std::string noRule(std::string_view name);

// A name as a rename stores it: control characters (line breaks and tabs
// among them) become blanks, as the file would write them, so the name
// shown, saved and printed by --get are one and the same.
// Nullopt when the text is not well-formed UTF-8.
std::optional<std::string> cleanName(std::string_view text);

}  // namespace kavtra
