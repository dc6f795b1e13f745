#include "rules/rule_reader.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace kavtra {

std::string quote(std::string_view name) { return "«" + std::string(name) + "»"; }

void RuleReader::problem(const std::string& section, std::string key, std::string why) {
    reading.problems.push_back({section, std::move(key), std::move(why)});
}

std::optional<std::vector<ListItem>> RuleReader::list(const std::string& section, std::string_view key) {
    Parsed<std::vector<ListItem>> items = parseList(value(section, key));
    if (!items) problem(section, std::string(key), items.error);
    return items.value;
}

std::optional<std::vector<int>> RuleReader::outputsOf(const std::string& section, std::string_view key) {
    const auto items = list(section, key);
    if (!items) return std::nullopt;
    std::set<int> outputs;
    for (const ListItem& item : *items) {
        if (item.group.empty()) {
            for (int n = item.first; n <= item.last; ++n) outputs.insert(n);
        } else if (const Group* group = rules().group(item.group)) {
            outputs.insert(group->outputs.begin(), group->outputs.end());
        } else {
            problem(section, std::string(key), noGroup(item.group));
            return std::nullopt;
        }
    }
    return std::vector<int>(outputs.begin(), outputs.end());
}

std::optional<std::pair<std::vector<int>, std::vector<int>>> RuleReader::onAndOff(const std::string& section) {
    auto on = outputsOf(section, "On");
    auto off = on ? outputsOf(section, "Off") : std::nullopt;
    if (!on || !off) return std::nullopt;
    std::vector<int> both;
    std::set_intersection(on->begin(), on->end(), off->begin(), off->end(), std::back_inserter(both));
    if (!both.empty()) {
        problem(section, "Off", "вывод " + std::to_string(both.front()) + " и в On, и в Off");
        return std::nullopt;
    }
    return std::pair(std::move(*on), std::move(*off));
}

}  // namespace kavtra
