#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>

#include "rules/rule_reader.h"

namespace kavtra {
namespace {

constexpr std::chrono::hours kLongestHold{24};
constexpr int kMostRepeats = 1000000;

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The position of the last " for " in any letter case, or npos.
std::size_t lastFor(std::string_view text) {
    for (std::size_t at = text.size() < 5 ? std::string_view::npos : text.size() - 5; at != std::string_view::npos;
         --at) {
        const std::string_view word = text.substr(at, 5);
        if ((word[0] == ' ' || word[0] == '\t') && (word[4] == ' ' || word[4] == '\t') &&
            isAsciiNoCase(word.substr(1, 3), "for"))
            return at;
        if (at == 0) break;
    }
    return std::string_view::npos;
}

// The sequences a request names.
std::vector<std::string> sequencesIn(const Command& command) {
    return std::visit(
        [](const auto& c) -> std::vector<std::string> {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, StartCommand> || std::is_same_v<T, PauseCommand> ||
                          std::is_same_v<T, StopCommand>)
                return {c.name};
            return {};
        },
        command);
}

// One [Sequence NAME] as written, or nothing (and why, as a problem).
std::optional<Sequence> readSequence(RuleReader& reader, const RuleSection& entry,
                                     const std::set<std::string>& sequences) {
    const std::string& section = entry.section;
    const auto fail = [&](std::string key, std::string why) -> std::optional<Sequence> {
        reader.problem(section, std::move(key), std::move(why));
        return std::nullopt;
    };
    Sequence sequence;
    sequence.name = entry.name;
    const std::string steps = reader.value(section, "Steps");
    std::string_view rest = steps;
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        const std::string_view piece = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (piece.empty()) continue;
        SequenceStep step;
        std::string_view request = piece;
        if (const std::size_t at = lastFor(piece); at != std::string_view::npos) {
            request = trimmed(piece.substr(0, at));
            const std::string_view time = trimmed(piece.substr(at + 5));
            const std::optional<long long> ms = durationValue(time);
            if (!ms || std::chrono::milliseconds(*ms) > kLongestHold)
                return fail("Steps", quoted(piece) +
                                         ": после for нужно время не больше суток, например 30s, 500ms, "
                                         "1m30s");
            step.hold = std::chrono::milliseconds(*ms);
        }
        std::optional<Command> command = reader.request(section, "Steps", request, &sequences);
        if (!command) return std::nullopt;
        step.command = std::move(*command);
        sequence.steps.push_back(std::move(step));
    }
    if (sequence.steps.empty())
        return fail("Steps", "нет шагов: нужны запросы через «;», например scene Зона1 for 30s");

    const std::string repeat = reader.value(section, "Repeat");
    if (isAsciiNoCase(repeat, "forever")) {
        sequence.repeat.reset();
    } else if (!repeat.empty()) {
        const std::optional<long long> count = digitsValue(repeat);
        if (!count || *count < 1 || *count > kMostRepeats)
            return fail("Repeat", quoted(repeat) + ": нужно число повторов от 1 до 1000000 или forever");
        sequence.repeat = static_cast<int>(*count);
    }
    const bool holds = std::any_of(sequence.steps.begin(), sequence.steps.end(),
                                   [](const SequenceStep& step) { return step.hold.count() > 0; });
    if (sequence.repeat != 1 && !holds)
        return fail("Repeat", sequence.repeat ? "у всех шагов время 0, а повторов больше одного: шаги шли бы в одно "
                                                "мгновение"
                                              : "forever, а у всех шагов время 0: последовательность крутилась бы без "
                                                "остановки");

    const std::string finally = reader.value(section, "Finally");
    if (!finally.empty()) {
        std::optional<Command> command = reader.request(section, "Finally", finally, &sequences);
        if (!command) return std::nullopt;
        sequence.finally = std::move(*command);
    }
    sequence.written = reader.written(section, {"Steps", "Repeat", "Finally"});
    return sequence;
}

// The sequences a sequence starts, by its steps and its Finally.
std::set<std::string> startedBy(const Sequence& sequence) {
    std::set<std::string> started;
    const auto add = [&](const Command& command) {
        if (const auto* start = std::get_if<StartCommand>(&command)) started.insert(start->name);
    };
    for (const SequenceStep& step : sequence.steps) add(step.command);
    if (sequence.finally) add(*sequence.finally);
    return started;
}

// Whether `to` is started by `from`, directly or through the sequences it starts.
bool reaches(const std::string& from, const std::string& to,
             const std::map<std::string, std::set<std::string>>& starts) {
    std::set<std::string> seen;
    std::vector<std::string> open{from};
    while (!open.empty()) {
        const std::string name = open.back();
        open.pop_back();
        const auto next = starts.find(name);
        if (next == starts.end() || !seen.insert(name).second) continue;
        if (next->second.contains(to)) return true;
        open.insert(open.end(), next->second.begin(), next->second.end());
    }
    return false;
}

// The key whose request names `name`: Steps, or Finally when only it does.
std::string keyNaming(const Sequence& sequence, const std::string& name) {
    for (const SequenceStep& step : sequence.steps) {
        const std::vector<std::string> names = sequencesIn(step.command);
        if (std::find(names.begin(), names.end(), name) != names.end()) return "Steps";
    }
    return "Finally";
}

}  // namespace

void readSequences(RuleReader& reader, const std::vector<RuleSection>& sections) {
    std::set<std::string> names;
    for (const RuleSection& section : sections) names.insert(section.name);
    std::vector<Sequence> read;
    for (const RuleSection& section : sections)
        if (auto sequence = readSequence(reader, section, names)) read.push_back(std::move(*sequence));

    // Sequences name one another, in any order in the file: a loop of starts
    // is at fault in every sequence on it, and one left out leaves out
    // whatever names it, as a group does.
    std::map<std::string, std::set<std::string>> starts;
    for (const Sequence& sequence : read) starts[sequence.name] = startedBy(sequence);
    std::set<std::string> atFault;
    for (const Sequence& sequence : read)
        for (const std::string& started : starts.at(sequence.name))
            if (started == sequence.name || reaches(started, sequence.name, starts)) {
                reader.problem(sequenceSection(sequence.name), keyNaming(sequence, started),
                               "последовательность запускает сама себя" +
                                   (started == sequence.name ? std::string() : " через " + quote(started)));
                atFault.insert(sequence.name);
                break;
            }
    for (bool leftOut = true; leftOut;) {
        leftOut = false;
        for (const Sequence& sequence : read) {
            if (atFault.contains(sequence.name)) continue;
            std::vector<std::string> named;
            for (const SequenceStep& step : sequence.steps)
                for (std::string& name : sequencesIn(step.command)) named.push_back(std::move(name));
            if (sequence.finally)
                for (std::string& name : sequencesIn(*sequence.finally)) named.push_back(std::move(name));
            const auto missing = std::find_if(named.begin(), named.end(), [&](const std::string& name) {
                return !starts.contains(name) || atFault.contains(name);
            });
            if (missing == named.end()) continue;
            reader.problem(sequenceSection(sequence.name), keyNaming(sequence, *missing), noSequence(*missing));
            atFault.insert(sequence.name);
            leftOut = true;
        }
    }
    for (Sequence& sequence : read)
        if (!atFault.contains(sequence.name)) reader.rules().sequences.push_back(std::move(sequence));
}

}  // namespace kavtra
