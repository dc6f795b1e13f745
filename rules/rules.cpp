#include "rules/rules.h"

#include <algorithm>
#include <optional>

#include "commands/parse.h"
#include "persist/ini/ini_lines.h"
#include "rules/rule_reader.h"

namespace kavtra {
namespace {

constexpr std::string_view kGroup = "Group ";
constexpr std::string_view kScene = "Scene ";
constexpr std::string_view kInterlock = "Interlock ";
constexpr std::string_view kSchedule = "Schedule ";
constexpr std::string_view kToken = "Token ";
constexpr std::string_view kInput = "Input ";
constexpr std::string_view kSequence = "Sequence ";
constexpr std::string_view kRule = "Rule ";

// The kinds of sections the rules are made of, in the order they are read:
// a new kind is one line here and its reader. A named kind is its word and
// a name ([Group Теплица]); any other is one section of that very name.
struct SectionKind {
    std::string_view word;
    bool named;
    KindReader read;
};

constexpr SectionKind kKinds[] = {
    {kGroup, true, readGroups},                // first: every list may name a group
    {kScene, true, readScenes},                // On, Off
    {kInterlock, true, readInterlocks},        // Outputs, DeadTime
    {kPlaceSection, false, readPlace},         // before the schedules of sunrise and sunset
    {kSchedule, true, readSchedules},          // after the scenes, which schedules recall
    {kSequence, true, readSequences},          // after the scenes and groups its steps name; before the rules
    {kLimitsSection, false, readLimits},       // N=DURATION
    {kPowerSection, false, readPower},         // N=60W, 1-3=1.5kW
    {kToken, true, readTokens},                // Role, Hash, Scope; after the groups and scenes
    {kInput, true, readInputs},                // Name, Inverted, Debounce
    {kInputsSection, false, readInputPeriod},  // Period
    {"Rules", false, readRuleDepth},           // Depth
    {kRule, true, readAutomationRules},        // last: When names inputs and scenes, Do all the rest
};

// The name after a kind's word, or nothing when the section is not of it.
std::optional<std::string> nameAfter(std::string_view section, std::string_view kind) {
    if (section.size() < kind.size() || !ini::equalsIgnoringAsciiCase(section.substr(0, kind.size()), kind))
        return std::nullopt;
    return std::string(section.substr(kind.size()));
}

// The sections of one kind, in file order; a named one whose name is at
// fault is named as a problem and left out.
std::vector<RuleSection> sectionsOf(const SectionKind& kind, const std::vector<std::string>& sections,
                                    RuleReader& reader) {
    std::vector<RuleSection> found;
    for (const std::string& section : sections) {
        if (!kind.named) {
            if (!ini::equalsIgnoringAsciiCase(section, kind.word)) continue;
            found.push_back({section, {}});
            break;
        }
        std::optional<std::string> name = nameAfter(section, kind.word);
        if (!name) continue;
        if (isRuleName(*name))
            found.push_back({section, std::move(*name)});
        else
            reader.problem(section, {}, "имя не годится: пусто, пробелы по краям или знаки [ ] =");
    }
    return found;
}

template <class Entry>
const Entry* named(const std::vector<Entry>& entries, std::string_view name) {
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; });
    return found != entries.end() ? &*found : nullptr;
}

}  // namespace

const Group* Rules::group(std::string_view name) const { return named(groups, name); }

const Scene* Rules::scene(std::string_view name) const { return named(scenes, name); }
const Sequence* Rules::sequence(std::string_view name) const { return named(sequences, name); }
const Rule* Rules::rule(std::string_view name) const { return named(automationRules, name); }

bool OutputReach::has(int output) const {
    return !outputs || std::binary_search(outputs->begin(), outputs->end(), output);
}

std::vector<int> OutputReach::beyond(const std::vector<int>& asked) const {
    std::vector<int> outside;
    for (int output : asked)
        if (!has(output)) outside.push_back(output);
    return outside;
}

std::vector<std::pair<int, bool>> sceneStates(const Scene& scene) {
    std::vector<std::pair<int, bool>> states;
    for (int output : scene.on) states.emplace_back(output, true);
    for (int output : scene.off) states.emplace_back(output, false);
    return states;
}

std::string problemText(const RuleProblem& problem) {
    if (problem.section.empty()) return "Rules.ini " + problem.why;
    return "Rules.ini, [" + problem.section + "]" + (problem.key.empty() ? "" : ", " + problem.key) + ": " +
           problem.why;
}

std::string groupSection(std::string_view name) { return std::string(kGroup) + std::string(name); }
std::string sceneSection(std::string_view name) { return std::string(kScene) + std::string(name); }
std::string interlockSection(std::string_view name) { return std::string(kInterlock) + std::string(name); }
std::string scheduleSection(std::string_view name) { return std::string(kSchedule) + std::string(name); }
std::string tokenSection(std::string_view name) { return std::string(kToken) + std::string(name); }
std::string inputSection(int number) { return std::string(kInput) + std::to_string(number); }
std::string sequenceSection(std::string_view name) { return std::string(kSequence) + std::string(name); }
std::string ruleSection(std::string_view name) { return std::string(kRule) + std::string(name); }

std::string inputName(const std::vector<InputSetting>& inputs, int number) {
    for (const InputSetting& input : inputs)
        if (input.number == number && !input.name.empty()) return input.name;
    return "Вход " + std::to_string(number);
}

RulesReading readRules(const std::vector<std::string>& sections, const RuleValue& value, const RuleKeys& keys) {
    RulesReading reading;
    RuleReader reader{value, keys, reading};
    // The sections come each name once, as the file's first of that name
    // spells it: later ones are never read.
    for (const SectionKind& kind : kKinds) kind.read(reader, sectionsOf(kind, sections, reader));
    return reading;
}

}  // namespace kavtra
