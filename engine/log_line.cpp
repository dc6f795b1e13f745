#include "engine/log_line.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "engine/source.h"
#include "outputs/out_state.h"
#include "persist/log/change_log.h"

namespace kavtra {
namespace {

constexpr std::string_view kName = " name=";
constexpr std::string_view kMissed = "missed ";

std::optional<int> outputNumber(std::string_view digits) {
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 1 || value > OutState::kOutputs)
        return std::nullopt;
    return value;
}

// "1-3,8" into `runs`; false when it is no such list.
bool readRuns(std::string_view text, std::vector<Run>& runs) {
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view run = text.substr(0, comma);
        const std::size_t dash = run.find('-');
        const std::optional<int> first = outputNumber(run.substr(0, dash));
        const std::optional<int> last = dash == std::string_view::npos ? first : outputNumber(run.substr(dash + 1));
        if (!first || !last || *last < *first) return false;
        runs.push_back({*first, *last});
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

// Sorted, and runs that overlap or touch made one, as lines written before
// runs have them: one output an entry, in any order.
std::vector<Run> merged(std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.first < b.first; });
    std::vector<Run> result;
    for (const Run& run : runs) {
        if (!result.empty() && run.first <= result.back().last + 1) {
            result.back().last = std::max(result.back().last, run.last);
        } else {
            result.push_back(run);
        }
    }
    return result;
}

// "1-3,8=on 7=off", and the older "7=off 8=on".
std::optional<Switches> readSwitches(std::string_view text) {
    Switches switches;
    while (!text.empty()) {
        const std::size_t blank = std::min(text.find(' '), text.size());
        const std::string_view entry = text.substr(0, blank);
        text.remove_prefix(std::min(blank + 1, text.size()));
        const std::size_t equals = entry.rfind('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view state = entry.substr(equals + 1);
        if (state != "on" && state != "off") return std::nullopt;
        if (!readRuns(entry.substr(0, equals), state == "on" ? switches.on : switches.off)) return std::nullopt;
    }
    return Switches{merged(std::move(switches.on)), merged(std::move(switches.off))};
}

std::optional<Rename> readRename(std::string_view text) {
    const std::size_t at = text.find(kName);
    if (at == std::string_view::npos) return std::nullopt;
    const std::optional<int> renamed = outputNumber(text.substr(0, at));
    if (!renamed) return std::nullopt;
    return Rename{*renamed, std::string(text.substr(at + kName.size()))};
}

// The outputs switched on, then those switched off, as `form` writes a list.
template <class Form>
std::string onThenOff(const Switches& switches, std::string_view between, Form form) {
    std::string text;
    if (!switches.on.empty()) text = form(runsText(switches.on), true);
    if (!switches.on.empty() && !switches.off.empty()) text += between;
    if (!switches.off.empty()) text += form(runsText(switches.off), false);
    return text;
}

}  // namespace

std::vector<Run> runsOf(const std::vector<int>& outputs) {
    std::vector<Run> runs;
    for (const int output : outputs) runs.push_back({output, output});
    return merged(std::move(runs));
}

std::string runsText(const std::vector<Run>& runs) {
    std::string text;
    for (const Run& run : runs) {
        if (!text.empty()) text += ',';
        text += std::to_string(run.first);
        if (run.last > run.first) text += '-' + std::to_string(run.last);
    }
    return text;
}

std::string logText(const LogLine& line) {
    std::string text = line.time + '\t' + line.source + '\t';
    if (const auto* switches = std::get_if<Switches>(&line.what)) {
        text +=
            onThenOff(*switches, " ", [](const std::string& runs, bool on) { return runs + (on ? "=on" : "=off"); });
    } else if (const auto* rename = std::get_if<Rename>(&line.what)) {
        text += std::to_string(rename->output) + std::string(kName) + rename->name;
    } else if (const auto* missed = std::get_if<Missed>(&line.what)) {
        text += std::string(kMissed) + missed->at;
    } else {
        text += std::get<Remark>(line.what).text;
    }
    return text;
}

LogLine readLogLine(std::string_view text) {
    const std::size_t first = text.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : text.find('\t', first + 1);
    if (second == std::string_view::npos) return {{}, {}, Remark{std::string(text)}};
    LogLine line{std::string(text.substr(0, first)), std::string(text.substr(first + 1, second - first - 1)), {}};
    const std::string_view what = text.substr(second + 1);
    // A name may hold anything, "=on" too: a rename is told first.
    if (std::optional<Rename> rename = readRename(what)) {
        line.what = std::move(*rename);
    } else if (what.starts_with(kMissed)) {
        line.what = Missed{std::string(what.substr(kMissed.size()))};
    } else if (std::optional<Switches> switches = readSwitches(what)) {
        line.what = std::move(*switches);
    } else {
        line.what = Remark{std::string(what)};
    }
    return line;
}

std::string LogLine::label() const {
    const std::optional<Source> known = sourceFromText(source);
    return known ? sourceLabel(*known) : source;
}

std::string LogLine::whatText() const {
    if (const auto* switches = std::get_if<Switches>(&what)) {
        return onThenOff(*switches, "; ",
                         [](const std::string& runs, bool on) { return (on ? "вкл. " : "выкл. ") + runs; });
    }
    if (const auto* rename = std::get_if<Rename>(&what))
        return std::to_string(rename->output) + ": название «" + rename->name + "»";
    if (const auto* missed = std::get_if<Missed>(&what)) return "пропущено событие в " + missed->at;
    return std::get<Remark>(what).text;
}

bool LogLine::mentions(int output) const {
    if (const auto* switches = std::get_if<Switches>(&what)) {
        const auto within = [output](const Run& run) { return run.first <= output && output <= run.last; };
        return std::any_of(switches->on.begin(), switches->on.end(), within) ||
               std::any_of(switches->off.begin(), switches->off.end(), within);
    }
    if (const auto* rename = std::get_if<Rename>(&what)) return rename->output == output;
    return false;
}

std::vector<LogLine> lastLogEntries(const std::string& path, std::size_t n) {
    std::vector<LogLine> lines;
    for (const std::string& text : lastLogLines(path, n)) lines.push_back(readLogLine(text));
    return lines;
}

}  // namespace kavtra
