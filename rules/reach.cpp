#include "rules/reach.h"

#include <algorithm>

#include "outputs/out_state.h"
#include "persist/ini/ini_lines.h"
#include "rules/rule_reader.h"

namespace kavtra {
namespace {

constexpr std::string_view kSceneWord = "scene";

// What one request and whatever it starts can switch; each sequence and rule
// followed once, since they may name one another in a circle.
class Switched {
public:
    explicit Switched(const Rules& rules) : rules_(rules) {}

    void add(const Command& command) {
        std::visit([this](const auto& c) { of(c); }, command);
    }
    std::vector<int> outputs() const { return {outputs_.begin(), outputs_.end()}; }

private:
    void target(const Target& target) {
        if (target.group.empty())
            outputs_.insert(target.output);
        else if (const Group* group = rules_.group(target.group))
            outputs_.insert(group->outputs.begin(), group->outputs.end());
    }
    void every() {
        for (int output = 1; output <= OutState::kOutputs; ++output) outputs_.insert(output);
    }
    void sequence(const std::string& name) {
        const Sequence* sequence = rules_.sequence(name);
        if (!sequence || !sequences_.insert(name).second) return;
        for (const SequenceStep& step : sequence->steps) add(step.command);
        if (sequence->finally) add(*sequence->finally);
    }

    void of(const SetCommand& c) {
        for (const auto& entry : c.outputs) target(entry.first);
    }
    void of(const ToggleCommand& c) { target(c.output); }
    void of(const AllCommand&) { every(); }
    void of(const UndoCommand&) { every(); }
    void of(const RenameCommand& c) { outputs_.insert(c.output); }
    void of(const PulseCommand& c) { outputs_.insert(c.output); }
    // A reset is not a switch, but it takes from whoever keeps the counts.
    void of(const ResetStatsCommand& c) {
        if (c.outputs.empty()) every();
        for (const Target& t : c.outputs) target(t);
    }
    void of(const SceneCommand& c) {
        if (const Scene* scene = rules_.scene(c.name)) {
            outputs_.insert(scene->on.begin(), scene->on.end());
            outputs_.insert(scene->off.begin(), scene->off.end());
        }
    }
    void of(const StartCommand& c) { sequence(c.name); }
    void of(const PauseCommand& c) { sequence(c.name); }
    void of(const StopCommand& c) { sequence(c.name); }
    void of(const RuleCommand& c) {
        const Rule* rule = rules_.rule(c.name);
        if (!rule || !automation_.insert(c.name).second) return;
        for (const Command& action : rule->actions) add(action);
    }
    // What reads, shows, keeps a scene or reads the rules switches nothing.
    void of(const ShowCommand&) {}
    void of(const GetCommand&) {}
    void of(const StatsCommand&) {}
    void of(const GetInputsCommand&) {}
    void of(const SaveSceneCommand&) {}
    void of(const ReloadCommand&) {}

    const Rules& rules_;
    std::set<int> outputs_;
    std::set<std::string> sequences_, automation_;
};

// The scene a scope's part names ("scene Вечер"), or nothing when it is a list.
std::optional<std::string_view> sceneOf(std::string_view part) {
    if (part.size() <= kSceneWord.size() ||
        !ini::equalsIgnoringAsciiCase(part.substr(0, kSceneWord.size()), kSceneWord))
        return std::nullopt;
    const std::string_view rest = part.substr(kSceneWord.size());
    if (rest.front() != ' ' && rest.front() != '\t') return std::nullopt;
    return ini::trimBlanks(rest);
}

}  // namespace

std::string addListOutputs(const std::vector<ListItem>& items, const Rules& rules, std::set<int>& outputs) {
    for (const ListItem& item : items) {
        if (item.group.empty()) {
            for (int n = item.first; n <= item.last; ++n) outputs.insert(n);
        } else if (const Group* group = rules.group(item.group)) {
            outputs.insert(group->outputs.begin(), group->outputs.end());
        } else {
            return noGroup(item.group);
        }
    }
    return {};
}

Parsed<std::vector<int>> scopeOutputs(std::string_view scope, const Rules& rules) {
    using Result = Parsed<std::vector<int>>;
    const std::vector<std::string_view> parts = partsOf(scope, ';');
    if (parts.empty())
        return Result::refused("нужны выводы, группы или сцены через «;», например «1-20; @Двор; scene Вечер»");
    std::set<int> outputs;
    for (const std::string_view part : parts) {
        if (const std::optional<std::string_view> name = sceneOf(part)) {
            const Scene* scene = rules.scene(*name);
            if (!scene) return Result::refused(noScene(*name));
            outputs.insert(scene->on.begin(), scene->on.end());
            outputs.insert(scene->off.begin(), scene->off.end());
            continue;
        }
        const Parsed<std::vector<ListItem>> items = parseList(part);
        if (!items) return Result::refused(items.error);
        if (std::string why = addListOutputs(*items.value, rules, outputs); !why.empty())
            return Result::refused(std::move(why));
    }
    return {std::vector<int>(outputs.begin(), outputs.end()), {}};
}

std::vector<int> outputsSwitchedBy(const Command& command, const Rules& rules) {
    Switched switched(rules);
    switched.add(command);
    return switched.outputs();
}

bool reachesAll(const OutputReach& reach, const Command& command, const Rules& rules) {
    return reach.everything() || reach.beyond(outputsSwitchedBy(command, rules)).empty();
}

}  // namespace kavtra
