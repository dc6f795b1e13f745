#include "commands/request_text.h"

#include <optional>
#include <type_traits>

namespace kavtra {

namespace {

std::string number(int value) { return std::to_string(value); }

// Words are separated by blanks, so a name in a word carries its blanks
// (and the escape's own '%') escaped.
std::string escaped(std::string_view name) {
    std::string word;
    for (char c : name) word += c == ' ' ? "%20" : c == '%' ? "%25" : std::string(1, c);
    return word;
}

// Nothing when a '%' begins neither escape: every name has one spelling.
std::optional<std::string> unescaped(std::string_view word) {
    std::string name;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            name += word[i];
        } else if (word.substr(i, 3) == "%20" || word.substr(i, 3) == "%25") {
            name += word[i + 2] == '0' ? ' ' : '%';
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return name;
}

std::string badEscape(std::string_view word) {
    return quoted(word) + ": в имени пробел пишется %20, а знак % пишется %25";
}

std::string targetWord(const Target& target) {
    return target.group.empty() ? number(target.output) : "@" + escaped(target.group);
}

std::string switchText(Switch action) {
    return action == Switch::On ? "=on" : action == Switch::Off ? "=off" : "=toggle";
}

// Targets as words: outputs side by side with the same suffix (a switch)
// share one word as Rules.ini lists them ("40-45,50=on"), so that a request
// never formats longer than it was written; a group is a word of its own.
template <class Item, class TargetOf, class Suffix>
std::string rangedWords(const std::vector<Item>& items, TargetOf targetOf, Suffix suffix) {
    std::string words;
    for (std::size_t i = 0; i < items.size();) {
        if (!targetOf(items[i]).group.empty()) {
            words += " " + targetWord(targetOf(items[i])) + suffix(items[i]);
            ++i;
            continue;
        }
        const std::string shared = suffix(items[i]);
        std::string word;
        while (i < items.size() && targetOf(items[i]).group.empty() && suffix(items[i]) == shared) {
            std::size_t j = i;
            while (j + 1 < items.size() && targetOf(items[j + 1]).group.empty() && suffix(items[j + 1]) == shared &&
                   targetOf(items[j + 1]).output == targetOf(items[j]).output + 1)
                ++j;
            word += (word.empty() ? "" : ",") + number(targetOf(items[i]).output) +
                    (j > i ? "-" + number(targetOf(items[j]).output) : "");
            i = j + 1;
        }
        words += " " + word + shared;
    }
    return words;
}

std::string targetWords(const std::vector<Target>& targets) {
    return rangedWords(
        targets, [](const Target& target) -> const Target& { return target; },
        [](const Target&) { return std::string(); });
}

}  // namespace

std::string formatRequest(const Command& command) {
    return std::string(verbOf(command).name) +
           std::visit(
               [](const auto& c) -> std::string {
                   using T = std::decay_t<decltype(c)>;
                   if constexpr (std::is_same_v<T, SetCommand>) {
                       return rangedWords(
                           c.outputs, [](const auto& entry) -> const Target& { return entry.first; },
                           [](const auto& entry) { return switchText(entry.second); });
                   } else if constexpr (std::is_same_v<T, ToggleCommand>) {
                       return " " + targetWord(c.output);
                   } else if constexpr (std::is_same_v<T, AllCommand>) {
                       return c.on ? " on" : " off";
                   } else if constexpr (std::is_same_v<T, RenameCommand>) {
                       return " " + number(c.output) + "=" + c.name;
                   } else if constexpr (std::is_same_v<T, PulseCommand>) {
                       return " " + number(c.output) + "=" + number(c.milliseconds);
                   } else if constexpr (std::is_same_v<T, GetCommand> || std::is_same_v<T, StatsCommand> ||
                                        std::is_same_v<T, ResetStatsCommand>) {
                       return targetWords(c.outputs);
                   } else if constexpr (std::is_same_v<T, SceneCommand> || std::is_same_v<T, StartCommand> ||
                                        std::is_same_v<T, PauseCommand> || std::is_same_v<T, StopCommand>) {
                       return " " + c.name;
                   } else if constexpr (std::is_same_v<T, RuleCommand>) {
                       return " " + c.name + (c.on ? "=on" : "=off");
                   } else if constexpr (std::is_same_v<T, SaveSceneCommand>) {
                       return " " + escaped(c.name) + targetWords(c.outputs);
                   } else {
                       // show, get-inputs, undo and reload take no values.
                       return {};
                   }
               },
               command);
}

Parsed<RequestWords> requestWords(std::string_view line) {
    if (line.size() > kMaxRequestBytes) return Parsed<RequestWords>::refused(requestTooLong());
    const std::size_t space = line.find(' ');
    const Verb* verb = verbNamed(line.substr(0, space));
    if (!verb) return Parsed<RequestWords>::refused("неизвестная команда");
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    if (verb->takes == Takes::Rest) return {RequestWords{verb, {std::string(rest)}}, {}};
    RequestWords request{verb, {}};
    for (std::size_t start = rest.find_first_not_of(' '); start != std::string_view::npos;
         start = rest.find_first_not_of(' ', start)) {
        const std::string_view word = rest.substr(start, rest.find(' ', start) - start);
        start += word.size();
        std::optional<std::string> text = verb->escaped ? unescaped(word) : std::string(word);
        if (!text) return Parsed<RequestWords>::refused(badEscape(word));
        request.words.push_back(std::move(*text));
    }
    return {std::move(request), {}};
}

Parsed<Command> parseRequest(std::string_view line) {
    Parsed<RequestWords> request = requestWords(line);
    if (!request) return Parsed<Command>::refused(std::move(request.error));
    return parseVerb(*request.value->verb, request.value->words, Reader::Socket);
}

}  // namespace kavtra
