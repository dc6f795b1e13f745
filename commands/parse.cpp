#include "commands/parse.h"

#include <charconv>

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

namespace {

// A whole number made of digits only, nothing around it.
std::optional<long long> digitsValue(std::string_view text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text[0] == '-') return std::nullopt;
    return value;
}

bool isAsciiNoCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lower[i]) return false;
    }
    return true;
}

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

Parsed<std::pair<int, Switch>> parseAssignment(std::string_view text) {
    constexpr std::string_view kForm = "N=on или N=off (или N=toggle)";
    const auto numberAndRest = numbered(text, std::string(kForm));
    if (!numberAndRest) return Parsed<std::pair<int, Switch>>::refused(numberAndRest.error);
    const Parsed<Switch> action = parseSwitch(numberAndRest.value->second);
    if (!action) return Parsed<std::pair<int, Switch>>::refused(quoted(text) + ": нужно " + std::string(kForm));
    return {std::pair{numberAndRest.value->first, *action.value}, {}};
}

Parsed<PulseCommand> parsePulse(std::string_view text) {
    const auto numberAndRest = numbered(text, "N=МС");
    if (!numberAndRest) return Parsed<PulseCommand>::refused(numberAndRest.error);
    const std::optional<long long> ms = digitsValue(numberAndRest.value->second);
    if (!ms || *ms < kPulseMinMs || *ms > kPulseMaxMs)
        return Parsed<PulseCommand>::refused(quoted(text) +
                                             ": длительность импульса должна быть числом от 50 до 600000 мс");
    return {PulseCommand{numberAndRest.value->first, static_cast<int>(*ms)}, {}};
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
