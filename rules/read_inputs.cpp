#include <algorithm>

#include "commands/parse.h"
#include "port/lpt.h"
#include "rules/rule_reader.h"

namespace kavtra {
namespace {

// A duration of `key` between `shortest` and `longest`, its default when the
// key is missing; nothing (and the fault named) otherwise.
std::optional<std::chrono::milliseconds> durationOf(RuleReader& reader, const std::string& section,
                                                    const std::string& key, std::chrono::milliseconds byDefault,
                                                    std::chrono::milliseconds shortest,
                                                    std::chrono::milliseconds longest, const std::string& wanted) {
    const std::string text = reader.value(section, key);
    if (text.empty()) return byDefault;
    const std::optional<long long> ms = durationValue(text);
    if (ms && *ms >= shortest.count() && *ms <= longest.count()) return std::chrono::milliseconds(*ms);
    reader.problem(section, key, quote(text) + ": " + wanted);
    return std::nullopt;
}

}  // namespace

void readInputs(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& section : sections) {
        const std::optional<long long> number = digitsValue(section.name);
        if (!number || *number < 1 || *number > static_cast<long long>(kInputs)) {
            reader.problem(section.section, {}, "нужен номер входа от 1 до 5");
            continue;
        }
        std::vector<InputSetting>& inputs = reader.rules().inputs;
        const auto same = [&](const InputSetting& other) { return other.number == *number; };
        if (std::any_of(inputs.begin(), inputs.end(), same)) {
            reader.problem(section.section, {}, "вход " + std::to_string(*number) + " уже описан");
            continue;
        }
        InputSetting input{static_cast<int>(*number), reader.value(section.section, "Name")};
        const std::string inverted = reader.value(section.section, "Inverted");
        if (!inverted.empty() && inverted != "0" && inverted != "1") {
            reader.problem(section.section, "Inverted", quote(inverted) + ": нужно 0 или 1");
            continue;
        }
        input.inverted = inverted == "1";
        const std::optional<std::chrono::milliseconds> debounce =
            durationOf(reader, section.section, "Debounce", input.debounce, {}, kLongestDebounce,
                       "нужно время от 0 до 10 секунд, например 20, 50ms, 1s");
        if (!debounce) continue;
        input.debounce = *debounce;
        inputs.insert(
            std::upper_bound(inputs.begin(), inputs.end(), input,
                             [](const InputSetting& a, const InputSetting& b) { return a.number < b.number; }),
            std::move(input));
    }
}

void readInputPeriod(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& section : sections) {
        const std::optional<std::chrono::milliseconds> period =
            durationOf(reader, section.section, "Period", reader.rules().inputPeriod, std::chrono::milliseconds(1),
                       kLongestInputPeriod, "нужно время больше нуля и не больше секунды, например 10, 50ms");
        if (period) reader.rules().inputPeriod = *period;
    }
}

}  // namespace kavtra
