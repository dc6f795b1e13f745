#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "commands/output_list.h"
#include "persist/ini/ini_lines.h"
#include "rules/rule_reader.h"

namespace kavtra {
namespace {

// "60W", "1.5kW", "2 кВт": a number with a point for a fraction, and its
// unit in any letter case.
std::optional<double> wattsOf(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
    double number = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + end, number, std::chars_format::fixed);
    if (end == 0 || error != std::errc() || stop != text.data() + end) return std::nullopt;
    std::string_view unit = text.substr(end);
    while (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
    for (const auto& [word, scale] :
         {std::pair<std::string_view, double>{"W", 1}, {"kW", 1000}, {"Вт", 1}, {"кВт", 1000}})
        if (ini::equalsIgnoringAsciiCase(unit, word)) return number * scale;
    return std::nullopt;
}

}  // namespace

// Outputs and ranges as keys, each a power.
void readPower(RuleReader& reader, const std::vector<RuleSection>& sections) {
    if (!reader.keys) return;
    for (const RuleSection& power : sections) {
        for (const std::string& key : reader.keys(power.section)) {
            const Parsed<std::vector<ListItem>> items = parseList(key);
            const bool numbersOnly = items && !items.value->empty() &&
                                     std::none_of(items.value->begin(), items.value->end(),
                                                  [](const ListItem& item) { return !item.group.empty(); });
            if (!numbersOnly) {
                reader.problem(power.section, key,
                               items && !items.value->empty() ? "здесь нужны номера выводов, а не группа"
                                                              : (items ? "нужны номера выводов" : items.error));
                continue;
            }
            const std::string text = reader.value(power.section, key);
            const std::optional<double> watts = wattsOf(text);
            if (!watts || *watts <= 0 || *watts > kLargestPowerWatts) {
                reader.problem(power.section, key,
                               quote(text) +
                                   ": нужна мощность больше нуля и не больше 1000 кВт, например 60W или "
                                   "1.5kW");
                continue;
            }
            for (const ListItem& item : *items.value)
                for (int output = item.first; output <= item.last; ++output) reader.rules().power[output] = *watts;
        }
    }
}

}  // namespace kavtra
