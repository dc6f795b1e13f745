#include "commands/output_choice.h"

#include <algorithm>

#include "commands/output_list.h"
#include "persist/files/data_file.h"
#include "persist/ini/ini_lines.h"

namespace kavtra {

bool OutputChoice::includes(int output, std::string_view name) const {
    if (kind == Kind::Named) return isNamedOutput(output, name);
    if (kind == Kind::Listed) return std::binary_search(outputs.begin(), outputs.end(), output);
    return true;
}

std::string OutputChoice::text() const {
    if (kind == Kind::Named) return "named";
    if (kind == Kind::Listed) return listText(outputs);
    return "all";
}

bool isNamedOutput(int output, std::string_view name) {
    const std::string_view shown = ini::trimBlanks(name);
    return !shown.empty() && shown != defaultOutputName(output);
}

Parsed<OutputChoice> parseOutputChoice(std::string_view text) {
    text = ini::trimBlanks(text);
    if (text.empty() || isAsciiNoCase(text, "all")) return {OutputChoice{}, {}};
    if (isAsciiNoCase(text, "named")) return {OutputChoice{OutputChoice::Kind::Named, {}}, {}};
    Parsed<std::vector<int>> outputs = parseOutputNumbers(text);
    if (!outputs) return Parsed<OutputChoice>::refused(outputs.error);
    return {OutputChoice{OutputChoice::Kind::Listed, std::move(*outputs.value)}, {}};
}

Parsed<std::vector<int>> parseOutputNumbers(std::string_view text) {
    const Parsed<std::vector<ListItem>> items = parseList(text);
    if (!items) return Parsed<std::vector<int>>::refused(items.error);
    std::vector<int> outputs;
    for (const ListItem& item : *items.value) {
        if (!item.group.empty())
            return Parsed<std::vector<int>>::refused(quoted("@" + item.group) +
                                                     ": здесь нужны номера выводов, не группы");
        for (int output = item.first; output <= item.last; ++output) outputs.push_back(output);
    }
    std::sort(outputs.begin(), outputs.end());
    outputs.erase(std::unique(outputs.begin(), outputs.end()), outputs.end());
    return {std::move(outputs), {}};
}

Parsed<InvertedOutputs> parseInvertedOutputs(std::string_view text) {
    text = ini::trimBlanks(text);
    if (isAsciiNoCase(text, "all")) return {InvertedOutputs().set(), {}};
    const Parsed<std::vector<int>> outputs = parseOutputNumbers(text);
    if (!outputs) return Parsed<InvertedOutputs>::refused(outputs.error);
    InvertedOutputs inverted;
    for (int output : *outputs.value) inverted.set(static_cast<std::size_t>(output - 1));
    return {inverted, {}};
}

OutputChoice readOutputChoice(const clsINI& config) {
    Parsed<OutputChoice> choice =
        parseOutputChoice(config.GetPrivateINIString(kOutputChoiceSection, kOutputChoiceKey, ""));
    return choice ? std::move(*choice.value) : OutputChoice{};
}

}  // namespace kavtra
