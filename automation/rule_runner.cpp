#include "automation/rule_runner.h"

#include <algorithm>

namespace kavtra {

using namespace std::chrono;

namespace {

bool onDay(const Days& days, local_days day) {
    if (days.daily) return true;
    const sys_days date(day.time_since_epoch());
    return days.weekdays[weekday(date).iso_encoding() - 1] ||
           std::find(days.dates.begin(), days.dates.end(), year_month_day(date)) != days.dates.end();
}

// "вход 2 вкл.": what set a rule off, as the log says it.
std::string edgeText(const char* what, int number, bool on) {
    return std::string(what) + " " + std::to_string(number) + (on ? " вкл." : " выкл.");
}

}  // namespace

RuleRunner::RuleRunner(OutputEngine& engine, Timers& timers, const WallClock& calendar, const LocalZone& zone,
                       InputState inputState, Perform perform, TooDeep tooDeep)
    : engine_(engine),
      listener_(engine.addListener([this](const OutputChange& change) { onChange(change); })),
      held_(timers, static_cast<int>(kInputs)),
      calendar_(calendar),
      zone_(zone),
      inputState_(std::move(inputState)),
      perform_(std::move(perform)),
      tooDeep_(std::move(tooDeep)) {}

RuleRunner::~RuleRunner() {
    engine_.removeListener(listener_);
    for (int input = 1; input <= static_cast<int>(kInputs); ++input) held_.stop(input);
}

void RuleRunner::setRules(const Rules& rules) {
    rules_.clear();
    for (const Rule& rule : rules.automationRules) {
        if (!rule.enabled) continue;
        Loaded loaded{rule, nullptr};
        const auto window = std::find_if(rule.conditions.begin(), rule.conditions.end(),
                                         [](const RuleCondition& c) { return c.kind == RuleCondition::Kind::Time; });
        if (window != rule.conditions.end()) {
            // A window of time is a schedule's window: its days are the days
            // it starts on, and it may end the next day.
            ScheduleEntry entry;
            entry.from = window->from;
            entry.to = window->to;
            entry.on = {1};
            for (const RuleCondition& c : rule.conditions)
                if (c.kind == RuleCondition::Kind::Days) entry.days = c.days;
            loaded.window = std::make_shared<const SchedulePlan>(std::vector{entry}, rules.place, zone_);
        }
        rules_.push_back(std::move(loaded));
    }
    depth_ = rules.ruleDepth;
    depthOf_.clear();
    for (int input = 1; input <= static_cast<int>(kInputs); ++input) held_.stop(input);
    pressedAt_ = {};
}

std::array<bool, kInputs> RuleRunner::inputsUsed() const {
    std::array<bool, kInputs> used{};
    for (const Loaded& loaded : rules_) {
        if (loaded.rule.when.kind == RuleTrigger::Kind::Input) used.at(loaded.rule.when.number - 1) = true;
        for (const RuleCondition& c : loaded.rule.conditions)
            if (c.kind == RuleCondition::Kind::Input) used.at(c.number - 1) = true;
    }
    return used;
}

void RuleRunner::stop() {
    running_ = false;
    for (int input = 1; input <= static_cast<int>(kInputs); ++input) held_.stop(input);
    pressedAt_ = {};
}

bool RuleRunner::conditionsHold(const Loaded& loaded) const {
    const sys_seconds now = floor<seconds>(calendar_.wallNow());
    for (const RuleCondition& c : loaded.rule.conditions) {
        switch (c.kind) {
        case RuleCondition::Kind::Input:
            if (inputState_(c.number).value_or(false) != c.on) return false;
            break;
        case RuleCondition::Kind::Output:
            if (engine_.isOn(c.number) != c.on) return false;
            break;
        case RuleCondition::Kind::Time: {
            const auto states = loaded.window->windowStates(now);
            if (std::find(states.begin(), states.end(), std::pair(1, true)) == states.end()) return false;
            break;
        }
        case RuleCondition::Kind::Days:
            // With a window of time the days are the window's.
            if (!loaded.window && !onDay(c.days, floor<days>(localTimeOf(zone_, now)))) return false;
            break;
        }
    }
    return true;
}

void RuleRunner::fire(const Loaded& loaded, const std::string& cause, int depth) {
    if (!conditionsHold(loaded)) return;
    if (depth > depth_) return tooDeep_(loaded.rule, depth_);
    depthOf_[loaded.rule.name] = depth;
    perform_(loaded.rule, cause);
}

void RuleRunner::inputChanged(int input, bool on) {
    if (!running_) return;
    const std::size_t at = static_cast<std::size_t>(input - 1);
    if (on) {
        pressedAt_.at(at) = held_.now();
        heldDone_.at(at) = milliseconds(0);
        heldDue(input);
    } else {
        pressedAt_.at(at).reset();
        held_.stop(input);
    }
    // A copy: a rule's step may read Rules.ini anew (rule NAME=off).
    const std::vector<Loaded> rules = rules_;
    for (const Loaded& loaded : rules) {
        const RuleTrigger& when = loaded.rule.when;
        if (when.kind != RuleTrigger::Kind::Input || when.number != input || when.edge == RuleTrigger::Edge::Held)
            continue;
        if (when.edge == RuleTrigger::Edge::Change || (when.edge == RuleTrigger::Edge::On) == on)
            fire(loaded, edgeText("вход", input, on), 1);
    }
}

// Carries out the holds the press has lasted for, and waits for the next.
void RuleRunner::heldDue(int input) {
    const std::size_t at = static_cast<std::size_t>(input - 1);
    if (!pressedAt_.at(at)) return;
    const milliseconds lasted = held_.now() - *pressedAt_.at(at);
    std::optional<milliseconds> next;
    const std::vector<Loaded> rules = rules_;
    for (const Loaded& loaded : rules) {
        const RuleTrigger& when = loaded.rule.when;
        if (when.kind != RuleTrigger::Kind::Input || when.number != input || when.edge != RuleTrigger::Edge::Held)
            continue;
        if (when.held > heldDone_.at(at) && when.held <= lasted)
            fire(loaded, "вход " + std::to_string(input) + " удержан " + std::to_string(when.held.count()) + " мс", 1);
        else if (when.held > lasted)
            next = std::min(next.value_or(when.held), when.held);
    }
    heldDone_.at(at) = lasted;
    if (next && pressedAt_.at(at)) held_.start(input, *next - lasted, [this, input] { heldDue(input); });
}

void RuleRunner::onChange(const OutputChange& change) {
    if (!running_) return;
    // A step of a rule sets others off one level deeper in its chain.
    int depth = 1;
    if (change.source.kind == Source::Kind::Rule) {
        const auto found = depthOf_.find(change.source.name);
        depth = (found != depthOf_.end() ? found->second : 0) + 1;
    }
    const std::vector<Loaded> rules = rules_;
    for (const Loaded& loaded : rules) {
        const RuleTrigger& when = loaded.rule.when;
        if (when.kind == RuleTrigger::Kind::Scene) {
            if (change.source.kind == Source::Kind::Scene && change.source.name == when.scene)
                fire(loaded, "сцена «" + when.scene + "»", depth);
            continue;
        }
        if (when.kind != RuleTrigger::Kind::Output) continue;
        for (const Switched& switched : change.switched)
            if (switched.output == when.number &&
                (when.edge == RuleTrigger::Edge::Change || (when.edge == RuleTrigger::Edge::On) == switched.on))
                fire(loaded, edgeText("вывод", switched.output, switched.on), depth);
    }
}

}  // namespace kavtra
