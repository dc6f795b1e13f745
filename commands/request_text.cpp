#include "commands/request_text.h"

#include <type_traits>

namespace kavtra {

namespace {

std::string number(int value) { return std::to_string(value); }

std::string assignment(int output, Switch action) {
    return number(output) + (action == Switch::On ? "=on" : action == Switch::Off ? "=off" : "=toggle");
}

// The words after the request's own word, split at runs of blanks.
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
        values.push_back(std::move(*parsed.value));
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
                std::string line = "set";
                for (const auto& [output, action] : c.outputs) line += " " + assignment(output, action);
                return line;
            } else if constexpr (std::is_same_v<T, ToggleCommand>) {
                return "toggle " + number(c.output);
            } else if constexpr (std::is_same_v<T, AllCommand>) {
                return c.on ? "all on" : "all off";
            } else if constexpr (std::is_same_v<T, RenameCommand>) {
                return "rename " + number(c.output) + "=" + c.name;
            } else if constexpr (std::is_same_v<T, PulseCommand>) {
                return "pulse " + number(c.output) + "=" + number(c.milliseconds);
            } else {
                std::string line = "get";
                for (int output : c.outputs) line += " " + number(output);
                return line;
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
        auto states = eachWord<std::pair<int, Switch>>(rest, parseAssignment);
        if (states && states.value->empty()) return Parsed<Command>::refused("set: нужно хотя бы одно N=on|off");
        if (!states) return Parsed<Command>::refused(std::move(states.error));
        return {Command(SetCommand{std::move(*states.value)}), {}};
    }
    if (verb == "toggle") {
        const Parsed<int> output = oneWord(rest, verb, parseOutput);
        if (!output) return Parsed<Command>::refused(output.error);
        return {Command(ToggleCommand{*output.value}), {}};
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
        auto outputs = eachWord<int>(rest, parseOutput);
        if (!outputs) return Parsed<Command>::refused(std::move(outputs.error));
        return {Command(GetCommand{std::move(*outputs.value)}), {}};
    }
    return Parsed<Command>::refused("неизвестная команда");
}

}  // namespace kavtra
