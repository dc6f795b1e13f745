#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands/command.h"
#include "engine/interlocks.h"
#include "schedule/schedule_entry.h"

namespace kavtra {

// Several outputs as one named thing, switched in one step.
struct Group {
    std::string name;
    std::vector<int> outputs;  // ascending, groups resolved
    bool operator==(const Group&) const = default;
};

// States of some outputs, recalled in one step.
struct Scene {
    std::string name;
    std::vector<int> on;   // ascending
    std::vector<int> off;  // ascending, none of `on`
    bool operator==(const Scene&) const = default;
};

// What recalling a scene asks for: each output with its state.
std::vector<std::pair<int, bool>> sceneStates(const Scene& scene);

// The outputs a caller may read and switch: every one, or those listed.
struct OutputReach {
    std::optional<std::vector<int>> outputs;  // ascending; nothing: every output
    bool everything() const { return !outputs; }
    bool has(int output) const;
    // Those of `outputs` it does not reach, ascending.
    std::vector<int> beyond(const std::vector<int>& outputs) const;
    bool operator==(const OutputReach&) const = default;
};

// Who may use the web access: a name, what it may do, and the SHA-256 of
// its secret (64 lower-case hex digits); the secret itself is kept nowhere.
struct AccessToken {
    enum class Role { Read, Switch };
    std::string name;
    Role role = Role::Read;
    std::string hash;
    // Scope= as written ("1-20; @Двор; scene Вечер"), empty for every output,
    // and what it reaches as this reading of the rules defines its groups and
    // scenes. A scope at fault reaches nothing, and says why here.
    std::string scope{};
    OutputReach reach{};
    std::string scopeProblem{};
    bool operator==(const AccessToken&) const = default;
};

// [Input N]: one of the port's five status lines (port/lpt.h's kInputPins)
// as the user wired it. Inverted: a contact that pulls the line low when
// closed reads as on. Debounce: how long a new level must hold before it
// counts, so that a bouncing contact switches once.
struct InputSetting {
    int number = 0;  // 1..5
    std::string name;
    bool inverted = false;
    std::chrono::milliseconds debounce{20};
    bool operator==(const InputSetting&) const = default;
};
// "Вход N" for an input Rules.ini does not name.
std::string inputName(const std::vector<InputSetting>& inputs, int number);

// When= of a rule: an input's edge or a press held, an output's change, a
// scene recalled.
struct RuleTrigger {
    enum class Kind { Input, Output, Scene };
    enum class Edge { On, Off, Change, Held };
    Kind kind = Kind::Input;
    int number = 0;  // the input (1..5) or the output (1..300)
    Edge edge = Edge::On;
    std::chrono::milliseconds held{0};  // for Held: how long the input stays on
    std::string scene;                  // for Scene
    bool operator==(const RuleTrigger&) const = default;
};

// One condition of If=, all of which must hold when the trigger fires: an
// input or an output on or off, a window of the day, some days.
struct RuleCondition {
    enum class Kind { Input, Output, Time, Days };
    Kind kind = Kind::Input;
    int number = 0;  // the input or the output
    bool on = true;
    DayTime from, to;  // for Time: the window starts at `from` and ends at `to`, the next day when earlier
    Days days;         // for Days
    bool operator==(const RuleCondition&) const = default;
};

// [Rule NAME]: when the trigger fires and the conditions hold, Do= is
// carried out with the source rule:NAME, its switches as one step.
struct Rule {
    std::string name;
    bool enabled = true;
    RuleTrigger when;
    std::vector<RuleCondition> conditions;
    std::vector<Command> actions;  // in order
    // The section's keys as written, in file order: what the window's
    // editor shows.
    std::vector<std::pair<std::string, std::string>> written;
    bool operator==(const Rule&) const = default;
};

// One step of a sequence: a request, then the time until the next step.
struct SequenceStep {
    Command command;
    std::chrono::milliseconds hold{0};
    bool operator==(const SequenceStep&) const = default;
};

// [Sequence NAME]: its steps run in turn, `repeat` times (nothing: for ever),
// and `finally` is carried out when it stops (nothing: the outputs stay as
// they are).
struct Sequence {
    std::string name;
    std::vector<SequenceStep> steps;
    std::optional<int> repeat = 1;
    std::optional<Command> finally;
    std::vector<std::pair<std::string, std::string>> written;
    bool operator==(const Sequence&) const = default;
};

// What Rules.ini defines, every entry checked.
struct Rules {
    std::vector<Group> groups;
    std::vector<Scene> scenes;
    std::vector<Interlock> interlocks;
    std::vector<ScheduleEntry> schedules;
    std::optional<Place> place;  // needed by sunrise and sunset
    // [Limits]: per output, the longest it may stay on.
    std::map<int, std::chrono::milliseconds> limits;
    // [Power]: per output, the power of its load in watts.
    std::map<int, double> power;
    std::vector<AccessToken> tokens;
    std::vector<InputSetting> inputs;  // those the file has, ascending
    // [Inputs] Period: how often watched inputs are read.
    std::chrono::milliseconds inputPeriod{10};
    std::vector<Sequence> sequences;
    std::vector<Rule> automationRules;
    // [Rules] Depth: how many rules may set one another off in a chain.
    int ruleDepth = 8;

    // By name, compared as written; null when there is none.
    const Group* group(std::string_view name) const;
    const Scene* scene(std::string_view name) const;
    const Sequence* sequence(std::string_view name) const;
    const Rule* rule(std::string_view name) const;
};

// An entry of Rules.ini left out, and why: named where the user can find it.
struct RuleProblem {
    std::string section;  // "Group Теплица"; empty when the file as a whole is at fault
    std::string key;      // empty when the section as a whole is at fault
    std::string why;
    bool operator==(const RuleProblem&) const = default;
};

// "Rules.ini, [Group Теплица], Outputs: нет группы «Сад»"; for the file as
// a whole "Rules.ini " and the why ("Rules.ini не прочитан (...)").
std::string problemText(const RuleProblem& problem);

struct RulesReading {
    Rules rules;
    std::vector<RuleProblem> problems;
    // False when the file could not be read at all: then there are no rules,
    // and the one problem says why.
    bool read = true;
};

// The rules in the sections given, in their order, each key's text given by
// `value` (empty when missing). Sections of other kinds are left alone: they
// belong to other features.
using RuleValue = std::function<std::string(const std::string& section, std::string_view key)>;
// The names of a section's keys in file order: for what a schedule keeps as
// written, and for the sections whose keys the user picks ([Limits]: output
// numbers, [Power]: outputs and ranges). Without it, a schedule keeps its
// known keys in a fixed order and [Limits] and [Power] read as empty.
using RuleKeys = std::function<std::vector<std::string>(const std::string& section)>;
RulesReading readRules(const std::vector<std::string>& sections, const RuleValue& value, const RuleKeys& keys = {});

// The longest limit an output may have: a day. A longer one is more likely a
// slip of the unit than a safety limit.
inline constexpr std::chrono::milliseconds kLongestLimit = std::chrono::hours(24);
inline constexpr std::string_view kLimitsSection = "Limits";
inline constexpr std::string_view kPowerSection = "Power";
// The largest power of one output's load: beyond it, a slip of the unit.
inline constexpr double kLargestPowerWatts = 1'000'000;
inline constexpr std::string_view kPlaceSection = "Place";
inline constexpr std::string_view kInputsSection = "Inputs";
// The bounds of [Inputs] Period and [Input N] Debounce: a poll slower than a
// second misses a press, and a debounce beyond seconds is a slip of the unit.
inline constexpr std::chrono::milliseconds kLongestInputPeriod = std::chrono::seconds(1);
inline constexpr std::chrono::milliseconds kLongestDebounce = std::chrono::seconds(10);

// The section names of the rules' kinds.
std::string groupSection(std::string_view name);
std::string sceneSection(std::string_view name);
std::string interlockSection(std::string_view name);
std::string scheduleSection(std::string_view name);
std::string tokenSection(std::string_view name);
std::string inputSection(int number);
std::string sequenceSection(std::string_view name);
std::string ruleSection(std::string_view name);

}  // namespace kavtra
