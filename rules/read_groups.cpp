#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "rules/rule_reader.h"

namespace kavtra {
namespace {

// How deep groups may name groups: far beyond any real nesting, and a bound
// on what one chain of names costs every list that names its top.
constexpr int kDeepestGroups = 100;

// Resolves the lists of one file against its groups, each group once. It
// walks the names on a stack of its own: a file may chain as many groups as
// it has lines, and no chain of names may end the program in a recursion.
class Resolver {
public:
    explicit Resolver(std::map<std::string, std::vector<ListItem>> groups) : groups_(std::move(groups)) {}

    Parsed<std::vector<int>> groupOutputs(const std::string& name) {
        if (!groups_.contains(name)) return Parsed<std::vector<int>>::refused(noGroup(name));
        // The groups being resolved, each with the next of its items to look at.
        std::vector<std::pair<std::string, std::size_t>> path{{name, 0}};
        std::set<std::string> onPath{name};
        while (!path.empty()) {
            const std::string current = path.back().first;
            const std::vector<ListItem>& items = groups_.at(current);
            std::size_t& next = path.back().second;
            while (next < items.size() && !unresolved(items[next].group, onPath)) ++next;
            if (next < items.size()) {
                const std::string inner = items[next].group;
                onPath.insert(inner);
                path.emplace_back(inner, 0);
                continue;
            }
            resolved_.emplace(current, resolve(items, onPath));
            onPath.erase(current);
            path.pop_back();
        }
        return resolved_.at(name).outputs;
    }

private:
    struct Resolved {
        Parsed<std::vector<int>> outputs;
        int depth = 0;  // 1 for a group of outputs only
    };

    bool unresolved(const std::string& group, const std::set<std::string>& onPath) const {
        return !group.empty() && groups_.contains(group) && !resolved_.contains(group) && !onPath.contains(group);
    }

    // A group's outputs once every group it names is resolved, or on the path.
    Resolved resolve(const std::vector<ListItem>& items, const std::set<std::string>& onPath) const {
        const auto refused = [](std::string why) {
            return Resolved{Parsed<std::vector<int>>::refused(std::move(why))};
        };
        std::set<int> outputs;
        int depth = 1;
        for (const ListItem& item : items) {
            if (item.group.empty()) {
                for (int n = item.first; n <= item.last; ++n) outputs.insert(n);
                continue;
            }
            if (!groups_.contains(item.group)) return refused(noGroup(item.group));
            if (onPath.contains(item.group))
                return refused("группы ссылаются друг на друга по кругу (" + quote(item.group) + ")");
            const Resolved& inner = resolved_.at(item.group);
            if (!inner.outputs) return inner;
            depth = std::max(depth, inner.depth + 1);
            outputs.insert(inner.outputs.value->begin(), inner.outputs.value->end());
        }
        if (depth > kDeepestGroups)
            return refused("группы вложены друг в друга глубже " + std::to_string(kDeepestGroups) + " уровней");
        return {{std::vector<int>(outputs.begin(), outputs.end()), {}}, depth};
    }

    std::map<std::string, std::vector<ListItem>> groups_;
    std::map<std::string, Resolved> resolved_;
};

}  // namespace

void readGroups(RuleReader& reader, const std::vector<RuleSection>& sections) {
    std::map<std::string, std::vector<ListItem>> groupItems;
    std::vector<std::string> groupOrder;
    for (const RuleSection& group : sections) {
        if (auto items = reader.list(group.section, "Outputs")) {
            groupItems.emplace(group.name, std::move(*items));
            groupOrder.push_back(group.name);
        }
    }
    Resolver resolver(std::move(groupItems));
    for (const std::string& name : groupOrder) {
        Parsed<std::vector<int>> outputs = resolver.groupOutputs(name);
        if (!outputs)
            reader.problem(groupSection(name), "Outputs", outputs.error);
        else if (outputs.value->empty())
            reader.problem(groupSection(name), "Outputs", "в группе нет выводов");
        else
            reader.rules().groups.push_back({name, std::move(*outputs.value)});
    }
}

}  // namespace kavtra
