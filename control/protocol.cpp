#include "control/protocol.h"

#include <type_traits>

namespace kavtra {

namespace {

std::string number(int value) { return std::to_string(value); }

std::string assignment(int output, bool on) { return number(output) + (on ? "=on" : "=off"); }

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
                for (const auto& [output, on] : c.outputsOn) line += " " + assignment(output, on);
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
    if (line.size() > kMaxRequestBytes) return Parsed<Command>::refused("слишком длинная команда");
    const std::size_t space = line.find(' ');
    const std::string_view verb = line.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    if (verb == "show") {
        if (!rest.empty()) return Parsed<Command>::refused("show: значения не нужны");
        return {Command(ShowCommand{}), {}};
    }
    if (verb == "set") {
        auto states = eachWord<std::pair<int, bool>>(rest, parseAssignment);
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

std::string outputLine(int output, bool on, std::string_view name) {
    return number(output) + (on ? "\ton\t" : "\toff\t") + std::string(name);
}

std::string formatReply(const Reply& reply) {
    std::string text;
    for (const std::string& line : reply.lines) text += line + "\n";
    if (reply.ok) return text + "ok\n";
    text += "error\t";
    for (char c : reply.reason) text += c == '\n' || c == '\r' ? ' ' : c;
    return text + "\n";
}

std::optional<ReplyEnd> parseReplyEnd(std::string_view line) {
    if (line == "ok") return ReplyEnd{true, {}};
    constexpr std::string_view kError = "error\t";
    if (line.substr(0, kError.size()) == kError) return ReplyEnd{false, std::string(line.substr(kError.size()))};
    return std::nullopt;
}

void LineReader::append(std::string_view bytes) {
    if (!overflowed_) buffer_.append(bytes);
}

std::optional<std::string> LineReader::next() {
    if (overflowed_) return std::nullopt;
    const std::size_t end = buffer_.find('\n', scanned_);
    if (end == std::string::npos) {
        scanned_ = buffer_.size();
        // Room for the "\r" of a "\r\n" line ending.
        if (buffer_.size() > maxBytes_ + 1) {
            overflowed_ = true;
            buffer_.clear();
        }
        return std::nullopt;
    }
    std::size_t length = end;
    if (length > 0 && buffer_[length - 1] == '\r') --length;
    if (length > maxBytes_) {
        overflowed_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    std::string line = buffer_.substr(0, length);
    buffer_.erase(0, end + 1);
    scanned_ = 0;
    return line;
}

}  // namespace kavtra
