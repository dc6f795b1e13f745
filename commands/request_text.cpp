#include "commands/request_text.h"

#include <iterator>
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

Parsed<Target> parseTargetWord(std::string_view word) {
    const std::optional<std::string> text = unescaped(word);
    return text ? parseTarget(*text) : Parsed<Target>::refused(badEscape(word));
}

// A word may name several: "40-45".
Parsed<std::vector<Target>> parseTargetsWord(std::string_view word) {
    const std::optional<std::string> text = unescaped(word);
    return text ? parseTargets(*text) : Parsed<std::vector<Target>>::refused(badEscape(word));
}

Parsed<std::vector<std::pair<Target, Switch>>> parseAssignmentsWord(std::string_view word) {
    const std::optional<std::string> text = unescaped(word);
    return text ? parseAssignments(*text) : Parsed<std::vector<std::pair<Target, Switch>>>::refused(badEscape(word));
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

// The words after the request's own word, split at runs of blanks; each word
// gives one value or several.
template <class T, class Parse>
Parsed<std::vector<T>> eachWord(std::string_view rest, Parse parse) {
    std::vector<T> values;
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const std::size_t end = rest.find(' ');
        auto parsed = parse(rest.substr(0, end));
        if (!parsed) return Parsed<std::vector<T>>::refused(parsed.error);
        values.insert(values.end(), std::make_move_iterator(parsed.value->begin()),
                      std::make_move_iterator(parsed.value->end()));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    return {std::move(values), {}};
}

// A request whose values are one word, such as "toggle 5".
template <class Parse>
auto oneWord(std::string_view rest, std::string_view verb, Parse parse) -> decltype(parse(rest)) {
    if (rest.empty() || rest.find(' ') != std::string_view::npos)
        return decltype(parse(rest))::refused(std::string(verb) + ": нужно одно значение");
    return parse(rest);
}

template <class T>
Parsed<Command> asCommand(Parsed<T> parsed) {
    if (!parsed) return Parsed<Command>::refused(std::move(parsed.error));
    return {Command(std::move(*parsed.value)), {}};
}

}  // namespace

std::string formatRequest(const Command& command) {
    return std::visit(
        [](const auto& c) -> std::string {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, ShowCommand>) {
                return "show";
            } else if constexpr (std::is_same_v<T, SetCommand>) {
                return "set" + rangedWords(
                                   c.outputs, [](const auto& entry) -> const Target& { return entry.first; },
                                   [](const auto& entry) { return switchText(entry.second); });
            } else if constexpr (std::is_same_v<T, ToggleCommand>) {
                return "toggle " + targetWord(c.output);
            } else if constexpr (std::is_same_v<T, AllCommand>) {
                return c.on ? "all on" : "all off";
            } else if constexpr (std::is_same_v<T, RenameCommand>) {
                return "rename " + number(c.output) + "=" + c.name;
            } else if constexpr (std::is_same_v<T, PulseCommand>) {
                return "pulse " + number(c.output) + "=" + number(c.milliseconds);
            } else if constexpr (std::is_same_v<T, GetCommand>) {
                return "get" + targetWords(c.outputs);
            } else if constexpr (std::is_same_v<T, SceneCommand>) {
                return "scene " + c.name;
            } else if constexpr (std::is_same_v<T, SaveSceneCommand>) {
                return "save-scene " + escaped(c.name) + targetWords(c.outputs);
            } else if constexpr (std::is_same_v<T, UndoCommand>) {
                return "undo";
            } else {
                return "reload";
            }
        },
        command);
}

Parsed<Command> parseRequest(std::string_view line) {
    if (line.size() > kMaxRequestBytes) return Parsed<Command>::refused(requestTooLong());
    const std::size_t space = line.find(' ');
    const std::string_view verb = line.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    if (verb == "show") {
        if (!rest.empty()) return Parsed<Command>::refused("show: значения не нужны");
        return {Command(ShowCommand{}), {}};
    }
    if (verb == "set") {
        auto states = eachWord<std::pair<Target, Switch>>(rest, parseAssignmentsWord);
        if (states && states.value->empty()) return Parsed<Command>::refused("set: нужно хотя бы одно N=on|off");
        if (!states) return Parsed<Command>::refused(std::move(states.error));
        return {Command(SetCommand{std::move(*states.value)}), {}};
    }
    if (verb == "toggle") {
        Parsed<Target> target = oneWord(rest, verb, parseTargetWord);
        if (!target) return Parsed<Command>::refused(target.error);
        return {Command(ToggleCommand{std::move(*target.value)}), {}};
    }
    if (verb == "all") {
        const Parsed<bool> on = oneWord(rest, verb, parseOnOff);
        if (!on) return Parsed<Command>::refused(on.error);
        return {Command(AllCommand{*on.value}), {}};
    }
    // The new name is the rest of the line, blanks included.
    if (verb == "rename") return asCommand(parseRename(rest));
    if (verb == "pulse") return asCommand(oneWord(rest, verb, parsePulse));
    if (verb == "get") {
        auto outputs = eachWord<Target>(rest, parseTargetsWord);
        if (!outputs) return Parsed<Command>::refused(std::move(outputs.error));
        return {Command(GetCommand{std::move(*outputs.value)}), {}};
    }
    if (verb == "scene") {
        if (!isRuleName(rest)) return Parsed<Command>::refused("scene: нужно имя сцены");
        return {Command(SceneCommand{std::string(rest)}), {}};
    }
    if (verb == "save-scene") {
        const std::size_t end = rest.find(' ');
        const std::optional<std::string> name = unescaped(rest.substr(0, end));
        if (!name) return Parsed<Command>::refused(badEscape(rest.substr(0, end)));
        if (!isRuleName(*name)) return Parsed<Command>::refused("save-scene: нужно имя сцены без знаков [ ] =");
        auto outputs =
            eachWord<Target>(end == std::string_view::npos ? std::string_view() : rest.substr(end), parseTargetsWord);
        if (!outputs) return Parsed<Command>::refused(std::move(outputs.error));
        return {Command(SaveSceneCommand{*name, std::move(*outputs.value)}), {}};
    }
    if (verb == "undo" || verb == "reload") {
        if (!rest.empty()) return Parsed<Command>::refused(std::string(verb) + ": значения не нужны");
        if (verb == "undo") return {Command(UndoCommand{}), {}};
        return {Command(ReloadCommand{}), {}};
    }
    return Parsed<Command>::refused("неизвестная команда");
}

}  // namespace kavtra
