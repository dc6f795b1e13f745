#include "rules/rule_reader.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <type_traits>

#include "commands/request_text.h"
#include "rules/reach.h"

namespace kavtra {

std::string quote(std::string_view name) { return "«" + std::string(name) + "»"; }

std::vector<std::string_view> partsOf(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(separator), text.size());
        std::string_view part = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t first = part.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;
        part = part.substr(first, part.find_last_not_of(" \t") - first + 1);
        parts.push_back(part);
    }
    return parts;
}

void RuleReader::problem(const std::string& section, std::string key, std::string why) {
    reading.problems.push_back({section, std::move(key), std::move(why)});
}

std::optional<std::vector<ListItem>> RuleReader::list(const std::string& section, std::string_view key) {
    Parsed<std::vector<ListItem>> items = parseList(value(section, key));
    if (!items) problem(section, std::string(key), items.error);
    return items.value;
}

std::optional<std::vector<int>> RuleReader::outputsOf(const std::string& section, std::string_view key) {
    const auto items = list(section, key);
    if (!items) return std::nullopt;
    std::set<int> outputs;
    if (std::string why = addListOutputs(*items, rules(), outputs); !why.empty()) {
        problem(section, std::string(key), std::move(why));
        return std::nullopt;
    }
    return std::vector<int>(outputs.begin(), outputs.end());
}

std::optional<Command> RuleReader::request(const std::string& section, std::string_view key, std::string_view text,
                                           const std::set<std::string>* sequences) {
    const auto fail = [&](std::string why) -> std::optional<Command> {
        problem(section, std::string(key), quote(text) + ": " + why);
        return std::nullopt;
    };
    Parsed<Command> parsed = parseRequest(text);
    if (!parsed) return fail(parsed.error);
    // What is missing, or empty.
    const auto missing = [&](const auto& c) -> std::string {
        using T = std::decay_t<decltype(c)>;
        const auto noGroupOf = [&](const Target& target) {
            return target.group.empty() || rules().group(target.group) ? std::string() : noGroup(target.group);
        };
        if constexpr (std::is_same_v<T, SetCommand>) {
            for (const auto& entry : c.outputs)
                if (std::string why = noGroupOf(entry.first); !why.empty()) return why;
        } else if constexpr (std::is_same_v<T, ToggleCommand>) {
            return noGroupOf(c.output);
        } else if constexpr (std::is_same_v<T, SceneCommand>) {
            if (!rules().scene(c.name)) return noScene(c.name);
        } else if constexpr (std::is_same_v<T, StartCommand> || std::is_same_v<T, PauseCommand> ||
                             std::is_same_v<T, StopCommand>) {
            if (sequences ? !sequences->contains(c.name) : !rules().sequence(c.name)) return noSequence(c.name);
        } else if constexpr (!std::is_same_v<T, AllCommand> && !std::is_same_v<T, PulseCommand> &&
                             !std::is_same_v<T, UndoCommand> && !std::is_same_v<T, RuleCommand>) {
            return "здесь нужна команда, которая что-то переключает или запускает, а не " + std::string(verbOf(c).name);
        }
        return {};
    };
    if (std::string why = std::visit(missing, *parsed.value); !why.empty()) return fail(why);
    return std::move(parsed.value);
}

std::vector<std::pair<std::string, std::string>> RuleReader::written(const std::string& section,
                                                                     std::initializer_list<const char*> known) {
    std::vector<std::string> names = keys ? keys(section) : std::vector<std::string>(known.begin(), known.end());
    std::vector<std::pair<std::string, std::string>> keysWritten;
    for (std::string& key : names)
        if (std::string text = value(section, key); !text.empty()) keysWritten.emplace_back(std::move(key), text);
    return keysWritten;
}

std::optional<std::pair<std::vector<int>, std::vector<int>>> RuleReader::onAndOff(const std::string& section) {
    auto on = outputsOf(section, "On");
    auto off = on ? outputsOf(section, "Off") : std::nullopt;
    if (!on || !off) return std::nullopt;
    std::vector<int> both;
    std::set_intersection(on->begin(), on->end(), off->begin(), off->end(), std::back_inserter(both));
    if (!both.empty()) {
        problem(section, "Off", "вывод " + std::to_string(both.front()) + " и в On, и в Off");
        return std::nullopt;
    }
    return std::pair(std::move(*on), std::move(*off));
}

}  // namespace kavtra
