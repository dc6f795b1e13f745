#include "commands/parse.h"

#include <algorithm>
#include <charconv>

#include "commands/output_list.h"
#include "outputs/out_state.h"
#include "persist/ini/codepage.h"

namespace kavtra {

std::string quoted(std::string_view text) {
    constexpr std::size_t kShownBytes = 60;
    const auto printable = [](std::string_view piece) {
        const auto lead = static_cast<unsigned char>(piece[0]);
        const bool c1 = lead == 0xC2 && piece.size() == 2 && static_cast<unsigned char>(piece[1]) < 0xA0;
        return isWellFormedUtf8(piece) && lead >= 0x20 && lead != 0x7F && !c1;
    };
    std::string shown;
    std::size_t i = 0;
    while (i < text.size() && shown.size() < kShownBytes) {
        const std::string_view piece = text.substr(i, utf8SequenceLength(text.substr(i)));
        shown += printable(piece) ? piece : std::string_view("?");
        i += piece.size();
    }
    return "«" + shown + (i < text.size() ? "…»" : "»");
}

std::string noScene(std::string_view name) { return "нет сцены " + quoted(name); }

std::string noGroup(std::string_view name) { return "нет группы " + quoted(name); }

std::string noSequence(std::string_view name) { return "нет последовательности " + quoted(name); }

std::string noRule(std::string_view name) { return "нет правила " + quoted(name); }

std::optional<long long> digitsValue(std::string_view text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text[0] == '-') return std::nullopt;
    return value;
}

std::optional<long long> durationValue(std::string_view text) {
    if (const std::optional<long long> ms = digitsValue(text)) return ms;
    struct Unit {
        std::string_view name;
        long long ms;
    };
    // "ms" before "m", so that the longer name is tried first.
    constexpr Unit kUnits[] = {{"h", 3600000}, {"ms", 1}, {"m", 60000}, {"s", 1000}};
    constexpr int kOrder[] = {0, 3, 1, 2};  // of kUnits, largest first: h, m, s, ms
    long long total = 0;
    int last = -1;
    while (!text.empty()) {
        const std::size_t digits = text.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string_view::npos || digits > 9) return std::nullopt;
        const std::optional<long long> number = digitsValue(text.substr(0, digits));
        text.remove_prefix(digits);
        int unit = 0;
        while (unit < 4 && !text.starts_with(kUnits[unit].name)) ++unit;
        if (unit == 4 || kOrder[unit] <= last) return std::nullopt;
        last = kOrder[unit];
        total += *number * kUnits[unit].ms;
        text.remove_prefix(kUnits[unit].name.size());
    }
    return last < 0 ? std::nullopt : std::optional<long long>(total);
}

bool isAsciiNoCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lower[i]) return false;
    }
    return true;
}

namespace {

// "N=REST": the output number and what follows the first '='.
Parsed<std::pair<int, std::string_view>> numbered(std::string_view text, const std::string& form) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return {std::nullopt, quoted(text) + ": нужно " + form};
    Parsed<int> output = parseOutput(text.substr(0, equals));
    if (!output) return {std::nullopt, output.error};
    return {std::pair{*output.value, text.substr(equals + 1)}, {}};
}

}  // namespace

Parsed<int> parseOutput(std::string_view text) {
    const std::optional<long long> value = digitsValue(text);
    if (!value || *value < 1 || *value > OutState::kOutputs)
        return Parsed<int>::refused(quoted(text) + ": номер вывода должен быть числом от 1 до 300");
    return {static_cast<int>(*value), {}};
}

Parsed<bool> parseOnOff(std::string_view text) {
    if (isAsciiNoCase(text, "on")) return {true, {}};
    if (isAsciiNoCase(text, "off")) return {false, {}};
    return Parsed<bool>::refused(quoted(text) + ": нужно on или off");
}

Parsed<Switch> parseSwitch(std::string_view text) {
    if (isAsciiNoCase(text, "toggle")) return {Switch::Toggle, {}};
    const Parsed<bool> on = parseOnOff(text);
    if (!on) return Parsed<Switch>::refused(quoted(text) + ": нужно on, off или toggle");
    return {*on.value ? Switch::On : Switch::Off, {}};
}

Parsed<std::vector<std::pair<Target, Switch>>> parseAssignments(std::string_view text) {
    using Assignments = Parsed<std::vector<std::pair<Target, Switch>>>;
    constexpr std::string_view kForm = "N=on или N=off (или N=toggle, @ГРУППА=..., N-M=...)";
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return Assignments::refused(quoted(text) + ": нужно " + std::string(kForm));
    Parsed<std::vector<Target>> targets = parseTargets(text.substr(0, equals));
    if (!targets) return Assignments::refused(targets.error);
    const Parsed<Switch> action = parseSwitch(text.substr(equals + 1));
    if (!action) return Assignments::refused(quoted(text) + ": нужно " + std::string(kForm));
    std::vector<std::pair<Target, Switch>> assignments;
    for (Target& target : *targets.value) assignments.emplace_back(std::move(target), *action.value);
    return {std::move(assignments), {}};
}

Parsed<PulseCommand> parsePulse(std::string_view text) {
    const auto numberAndRest = numbered(text, "N=МС");
    if (!numberAndRest) return Parsed<PulseCommand>::refused(numberAndRest.error);
    const std::optional<long long> ms = durationValue(numberAndRest.value->second);
    if (!ms || *ms < kPulseMinMs || *ms > kPulseMaxMs)
        return Parsed<PulseCommand>::refused(quoted(text) +
                                             ": длительность импульса должна быть числом от 50 до 600000 мс");
    return {PulseCommand{numberAndRest.value->first, static_cast<int>(*ms)}, {}};
}

bool isRuleName(std::string_view name) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ' || !envelopeProblem(name).empty()) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '[' || c == ']' || c == '=' || byte < 0x20 || byte == 0x7F;
    });
}

std::string ruleNameWanted(std::string_view whose) { return "нужно имя " + std::string(whose) + " без знаков [ ] ="; }

Parsed<Target> parseTarget(std::string_view text) {
    if (!text.starts_with('@')) {
        const Parsed<int> output = parseOutput(text);
        if (!output) return Parsed<Target>::refused(output.error);
        return {Target(*output.value), {}};
    }
    if (!isRuleName(text.substr(1)))
        return Parsed<Target>::refused(quoted(text) + ": после @ " + ruleNameWanted("группы"));
    return {Target::ofGroup(std::string(text.substr(1))), {}};
}

Parsed<std::vector<Target>> parseTargets(std::string_view text) {
    using Targets = Parsed<std::vector<Target>>;
    // A group's name may hold a comma: the whole word names it.
    if (text.starts_with('@')) {
        Parsed<Target> group = parseTarget(text);
        if (!group) return Targets::refused(group.error);
        return {std::vector<Target>{std::move(*group.value)}, {}};
    }
    const Parsed<std::vector<ListItem>> items = parseList(text);
    if (!items) return Targets::refused(items.error);
    // A list of blanks alone names nothing, which a request would read as all 300.
    if (items.value->empty()) return Targets::refused(parseOutput(text).error);
    std::vector<Target> targets;
    for (const ListItem& item : *items.value) {
        if (!item.group.empty()) targets.push_back(Target::ofGroup(item.group));
        for (int output = item.first; item.group.empty() && output <= item.last; ++output) targets.emplace_back(output);
    }
    return {std::move(targets), {}};
}

Parsed<RenameCommand> parseRename(std::string_view text) {
    const auto numberAndRest = numbered(text, "N=ТЕКСТ");
    if (!numberAndRest) return Parsed<RenameCommand>::refused(numberAndRest.error);
    std::optional<std::string> name = cleanName(numberAndRest.value->second);
    if (!name) return Parsed<RenameCommand>::refused(quoted(text) + ": имя должно быть текстом в UTF-8");
    return {RenameCommand{numberAndRest.value->first, std::move(*name)}, {}};
}

std::string requestTooLong() { return "слишком длинная команда"; }

std::string envelopeProblem(std::string_view text) {
    if (text.size() > kMaxRequestBytes) return requestTooLong();
    if (!isWellFormedUtf8(text)) return "команда не в UTF-8";
    return {};
}

std::optional<std::string> cleanName(std::string_view text) {
    if (!isWellFormedUtf8(text)) return std::nullopt;
    std::string name(text);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return name;
}

}  // namespace kavtra
