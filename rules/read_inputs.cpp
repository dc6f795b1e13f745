#include <algorithm>

#include "commands/parse.h"
#include "port/lpt.h"
#include "rules/rule_reader.h"

namespace kavtra {

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
        InputSetting input{static_cast<int>(*number), reader.value(section.section, "Name"), false};
        const std::string inverted = reader.value(section.section, "Inverted");
        if (!inverted.empty() && inverted != "0" && inverted != "1") {
            reader.problem(section.section, "Inverted", quote(inverted) + ": нужно 0 или 1");
            continue;
        }
        input.inverted = inverted == "1";
        inputs.insert(
            std::upper_bound(inputs.begin(), inputs.end(), input,
                             [](const InputSetting& a, const InputSetting& b) { return a.number < b.number; }),
            std::move(input));
    }
}

}  // namespace kavtra
