#include <algorithm>
#include <map>
#include <type_traits>

#include "commands/parse.h"
#include "outputs/out_state.h"
#include "port/lpt.h"
#include "rules/rule_reader.h"
#include "schedule/schedule_text.h"

namespace kavtra {
namespace {

constexpr int kDeepestRules = 100;
constexpr std::chrono::milliseconds kLongestHold = std::chrono::hours(24);

// The words of a text parted at blanks.
std::vector<std::string_view> wordsOf(std::string_view text) { return partsOf(text, ' '); }

std::string joined(const std::vector<std::string_view>& words, std::size_t first, std::size_t end) {
    std::string text;
    for (std::size_t i = first; i < end; ++i) text += (text.empty() ? "" : " ") + std::string(words[i]);
    return text;
}

struct Fault {
    std::string why;
};

// An input by its number or by the Name of its [Input N].
int inputOf(const Rules& rules, const std::string& text) {
    if (const std::optional<long long> number = digitsValue(text)) {
        if (*number >= 1 && *number <= static_cast<long long>(kInputs)) return static_cast<int>(*number);
        throw Fault{"входа " + quote(text) + " нет: входы 1-5"};
    }
    for (const InputSetting& input : rules.inputs)
        if (input.name == text) return input.number;
    throw Fault{"нет входа " + quote(text) + " (ни номера 1-5, ни Name в [Input N])"};
}

int outputOf(const std::string& text) {
    Parsed<int> output = parseOutput(text);
    if (!output) throw Fault{output.error};
    return *output.value;
}

bool onOrOff(std::string_view word) {
    Parsed<bool> on = parseOnOff(word);
    if (!on) throw Fault{quote(word) + ": нужно on или off"};
    return *on.value;
}

RuleTrigger triggerOf(const Rules& rules, std::string_view text) {
    const std::vector<std::string_view> words = wordsOf(text);
    const std::string forms = "нужно input N on|off|change, input N held 3s, output N on|off|change или scene ИМЯ";
    if (words.size() < 2) throw Fault{forms};
    RuleTrigger trigger;
    if (isAsciiNoCase(words[0], "scene")) {
        trigger.kind = RuleTrigger::Kind::Scene;
        trigger.scene = joined(words, 1, words.size());
        if (!rules.scene(trigger.scene)) throw Fault{noScene(trigger.scene)};
        return trigger;
    }
    const bool input = isAsciiNoCase(words[0], "input");
    if (!input && !isAsciiNoCase(words[0], "output")) throw Fault{forms};
    trigger.kind = input ? RuleTrigger::Kind::Input : RuleTrigger::Kind::Output;
    std::size_t edge = words.size() - 1;
    if (input && words.size() >= 4 && isAsciiNoCase(words[words.size() - 2], "held")) {
        edge = words.size() - 2;
        trigger.edge = RuleTrigger::Edge::Held;
        const std::optional<long long> held = durationValue(words.back());
        if (!held || *held <= 0 || std::chrono::milliseconds(*held) > kLongestHold)
            throw Fault{quote(words.back()) + ": нужно время удержания больше нуля и не дольше суток (3s, 1m30s)"};
        trigger.held = std::chrono::milliseconds(*held);
    } else if (isAsciiNoCase(words[edge], "change")) {
        trigger.edge = RuleTrigger::Edge::Change;
    } else {
        trigger.edge = onOrOff(words[edge]) ? RuleTrigger::Edge::On : RuleTrigger::Edge::Off;
    }
    if (edge < 2) throw Fault{forms};
    const std::string which = joined(words, 1, edge);
    trigger.number = input ? inputOf(rules, which) : outputOf(which);
    return trigger;
}

// "FROM-TO" at the one dash that parts two times ("sunset-30-23:00").
RuleCondition windowOf(std::string_view text) {
    std::optional<RuleCondition> found;
    for (std::size_t dash = text.find('-'); dash != std::string_view::npos; dash = text.find('-', dash + 1)) {
        const auto from = parseDayTime(text.substr(0, dash));
        const auto to = parseDayTime(text.substr(dash + 1));
        if (!from || !to) continue;
        if (found) throw Fault{quote(text) + ": непонятно, где кончается начало окна"};
        found = RuleCondition{RuleCondition::Kind::Time, 0, true, *from, *to, {}};
    }
    if (!found) throw Fault{quote(text) + ": нужно окно ОТ-ДО: 22:00-06:00, sunset-30-23:00"};
    if (found->from == found->to) throw Fault{quote(text) + ": окно времени пустое"};
    return *found;
}

RuleCondition conditionOf(const Rules& rules, std::string_view text) {
    const std::vector<std::string_view> words = wordsOf(text);
    const std::string forms = "нужно input N on|off, output N on|off, time ОТ-ДО или days ДНИ";
    if (words.size() < 2) throw Fault{quote(text) + ": " + forms};
    const std::string rest = joined(words, 1, words.size());
    if (isAsciiNoCase(words[0], "time")) {
        RuleCondition window = windowOf(rest);
        const auto bySun = [](const DayTime& time) { return time.kind != DayTime::Kind::Clock; };
        if ((bySun(window.from) || bySun(window.to)) && !rules.place)
            throw Fault{"для восхода и заката нужны Latitude и Longitude в [Place]"};
        return window;
    }
    if (isAsciiNoCase(words[0], "days")) {
        const std::optional<Days> days = parseDays(rest);
        if (!days) throw Fault{quote(rest) + ": дни пишутся как в расписаниях (Пн-Пт; Mon,Wed; 2026-12-31)"};
        return {RuleCondition::Kind::Days, 0, true, {}, {}, *days};
    }
    const bool input = isAsciiNoCase(words[0], "input");
    if ((!input && !isAsciiNoCase(words[0], "output")) || words.size() < 3) throw Fault{quote(text) + ": " + forms};
    const std::string which = joined(words, 1, words.size() - 1);
    return {input ? RuleCondition::Kind::Input : RuleCondition::Kind::Output,
            input ? inputOf(rules, which) : outputOf(which),
            onOrOff(words.back()),
            {},
            {},
            {}};
}

// Why the trigger can never fire while the conditions hold, or empty: the
// edge it waits for leaves the very line in the state a condition forbids.
std::string neverFires(const Rule& rule) {
    const RuleTrigger& when = rule.when;
    if (when.kind == RuleTrigger::Kind::Scene || when.edge == RuleTrigger::Edge::Change) return {};
    const bool onAfter = when.edge != RuleTrigger::Edge::Off;
    const auto kind = when.kind == RuleTrigger::Kind::Input ? RuleCondition::Kind::Input : RuleCondition::Kind::Output;
    for (const RuleCondition& condition : rule.conditions)
        if (condition.kind == kind && condition.number == when.number && condition.on != onAfter)
            return "правило не сработает никогда: When ждёт " + std::string(onAfter ? "включения" : "выключения") +
                   ", а If требует, чтобы " + (kind == RuleCondition::Kind::Input ? "вход" : "вывод") + " " +
                   std::to_string(when.number) + " был " + (condition.on ? "включён" : "выключен");
    return {};
}

// What a rule's requests may switch: per output, whether on, off, or both.
struct Reach {
    std::map<int, std::pair<bool, bool>> outputs;  // output: (may go on, may go off)
    void add(int output, Switch action) {
        auto& [on, off] = outputs[output];
        on = on || action != Switch::Off;
        off = off || action != Switch::On;
    }
};

Reach reachOf(const Rules& rules, const Rule& rule) {
    Reach reach;
    const auto target = [&](const Target& t, Switch action) {
        if (!t.group.empty()) {
            if (const Group* group = rules.group(t.group))
                for (int output : group->outputs) reach.add(output, action);
        } else {
            reach.add(t.output, action);
        }
    };
    for (const Command& command : rule.actions)
        std::visit(
            [&](const auto& c) {
                using T = std::decay_t<decltype(c)>;
                if constexpr (std::is_same_v<T, SetCommand>) {
                    for (const auto& [t, action] : c.outputs) target(t, action);
                } else if constexpr (std::is_same_v<T, ToggleCommand>) {
                    target(c.output, Switch::Toggle);
                } else if constexpr (std::is_same_v<T, PulseCommand>) {
                    reach.add(c.output, Switch::Toggle);
                } else if constexpr (std::is_same_v<T, AllCommand>) {
                    for (int output = 1; output <= OutState::kOutputs; ++output)
                        reach.add(output, c.on ? Switch::On : Switch::Off);
                } else if constexpr (std::is_same_v<T, SceneCommand>) {
                    if (const Scene* scene = rules.scene(c.name))
                        for (const auto& [output, on] : sceneStates(*scene))
                            reach.add(output, on ? Switch::On : Switch::Off);
                } else if constexpr (std::is_same_v<T, UndoCommand>) {
                    for (int output = 1; output <= OutState::kOutputs; ++output) reach.add(output, Switch::Toggle);
                }
            },
            command);
    return reach;
}

bool sets(const Reach& reach, const RuleTrigger& when) {
    if (when.kind != RuleTrigger::Kind::Output) return false;
    const auto found = reach.outputs.find(when.number);
    if (found == reach.outputs.end()) return false;
    const auto [on, off] = found->second;
    return when.edge == RuleTrigger::Edge::Change || (when.edge == RuleTrigger::Edge::On ? on : off);
}

// Rules whose actions switch what sets another off, in a circle: each named
// at fault ("A → B → A"), since carried out they would run each other for
// ever. Found by a walk of the graph of who sets off whom, on a stack of
// its own.
std::map<std::size_t, std::string> cycles(const Rules& rules, const std::vector<Rule>& candidates) {
    const std::size_t count = candidates.size();
    std::vector<std::vector<std::size_t>> next(count);
    for (std::size_t a = 0; a < count; ++a) {
        if (!candidates[a].enabled) continue;
        const Reach reach = reachOf(rules, candidates[a]);
        for (std::size_t b = 0; b < count; ++b)
            if (candidates[b].enabled && sets(reach, candidates[b].when)) next[a].push_back(b);
    }
    std::map<std::size_t, std::string> faults;
    enum class Mark { New, OnPath, Done };
    std::vector<Mark> mark(count, Mark::New);
    for (std::size_t root = 0; root < count; ++root) {
        if (mark[root] != Mark::New) continue;
        std::vector<std::pair<std::size_t, std::size_t>> path{{root, 0}};  // rule, next edge to try
        mark[root] = Mark::OnPath;
        while (!path.empty()) {
            auto& [rule, edge] = path.back();
            if (edge == next[rule].size()) {
                mark[rule] = Mark::Done;
                path.pop_back();
                continue;
            }
            const std::size_t to = next[rule][edge++];
            if (mark[to] == Mark::New) {
                mark[to] = Mark::OnPath;
                path.emplace_back(to, 0);
            } else if (mark[to] == Mark::OnPath) {
                const auto start =
                    std::find_if(path.begin(), path.end(), [to](const auto& p) { return p.first == to; });
                std::string circle;
                for (auto it = start; it != path.end(); ++it) circle += quote(candidates[it->first].name) + " → ";
                circle += quote(candidates[to].name);
                for (auto it = start; it != path.end(); ++it)
                    faults.emplace(it->first, "правила запускают друг друга по кругу: " + circle);
            }
        }
    }
    return faults;
}

std::optional<Rule> readRule(RuleReader& reader, const RuleSection& entry) {
    const std::string& section = entry.section;
    Rule rule;
    rule.name = entry.name;
    std::string key = "Enabled";
    try {
        const std::string enabled = reader.value(section, "Enabled");
        if (!enabled.empty() && enabled != "0" && enabled != "1") throw Fault{quote(enabled) + ": нужно 0 или 1"};
        rule.enabled = enabled != "0";
        key = "When";
        const std::string when = reader.value(section, "When");
        if (when.empty()) throw Fault{"нет When: когда срабатывать"};
        rule.when = triggerOf(reader.rules(), when);
        key = "If";
        const std::string conditions = reader.value(section, "If");
        for (std::string_view condition : partsOf(conditions, ';'))
            rule.conditions.push_back(conditionOf(reader.rules(), condition));
        key = "Do";
        const std::string actionsText = reader.value(section, "Do");
        const std::vector<std::string_view> actions = partsOf(actionsText, ';');
        if (actions.empty()) throw Fault{"нет Do: что делать"};
        for (std::string_view action : actions) {
            std::optional<Command> command = reader.request(section, key, action);
            if (!command) return std::nullopt;
            rule.actions.push_back(std::move(*command));
        }
        key = {};
        if (std::string why = neverFires(rule); !why.empty()) throw Fault{why};
    } catch (const Fault& fault) {
        reader.problem(section, key, fault.why);
        return std::nullopt;
    }
    rule.written = reader.written(section, {"When", "If", "Do", "Enabled"});
    return rule;
}

}  // namespace

void readRuleDepth(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& section : sections) {
        const std::string depth = reader.value(section.section, "Depth");
        if (depth.empty()) continue;
        const std::optional<long long> value = digitsValue(depth);
        if (!value || *value < 1 || *value > kDeepestRules)
            reader.problem(section.section, "Depth",
                           quote(depth) + ": нужно число от 1 до " + std::to_string(kDeepestRules));
        else
            reader.rules().ruleDepth = static_cast<int>(*value);
    }
}

void readAutomationRules(RuleReader& reader, const std::vector<RuleSection>& sections) {
    std::vector<Rule> candidates;
    std::vector<std::string> sectionOf;
    for (const RuleSection& section : sections)
        if (std::optional<Rule> rule = readRule(reader, section)) {
            candidates.push_back(std::move(*rule));
            sectionOf.push_back(section.section);
        }
    const std::map<std::size_t, std::string> faults = cycles(reader.rules(), candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (const auto fault = faults.find(i); fault != faults.end())
            reader.problem(sectionOf[i], "Do", fault->second);
        else
            reader.rules().automationRules.push_back(std::move(candidates[i]));
    }
}

}  // namespace kavtra
