#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/output_engine.h"
#include "engine/timers.h"
#include "engine/wall_clock.h"
#include "port/lpt.h"
#include "rules/rules.h"
#include "schedule/local_zone.h"
#include "schedule/schedule_plan.h"

namespace kavtra {

// Carries out the rules of Rules.ini ([Rule NAME]): hears the inputs' edges
// and the engine's steps, and when a rule's trigger fires and its conditions
// hold, has its actions carried out. Rules set off by a rule's own step run
// inside it, up to the depth Rules.ini allows; a cycle never gets here, the
// reading refuses it. Acts only between start() and stop(), so that neither
// the start's nor the exit's policy sets a rule off.
class RuleRunner {
public:
    // Carries out a rule's actions (as one step, source rule:NAME); `cause`
    // says what set it off, for the log.
    using Perform = std::function<void(const Rule& rule, const std::string& cause)>;
    // Said when a chain of rules reaches the depth: the rule left undone.
    using TooDeep = std::function<void(const Rule& rule, int depth)>;
    // An input's state as wired, nothing while it is not watched.
    using InputState = std::function<std::optional<bool>(int input)>;

    RuleRunner(OutputEngine& engine, Timers& timers, const WallClock& calendar, const LocalZone& zone,
               InputState inputState, Perform perform, TooDeep tooDeep);
    ~RuleRunner();
    RuleRunner(const RuleRunner&) = delete;
    RuleRunner& operator=(const RuleRunner&) = delete;

    // The rules from now on (Rules.ini read again); presses being held start
    // over.
    void setRules(const Rules& rules);
    // The inputs some rule switched on watches or asks about.
    std::array<bool, kInputs> inputsUsed() const;

    void start() { running_ = true; }
    void stop();

    // An input's edge, as wired and debounced.
    void inputChanged(int input, bool on);

private:
    struct Loaded {
        Rule rule;
        // The rule's window of time (its days with it), when it has one.
        std::shared_ptr<const SchedulePlan> window;
    };
    void onChange(const OutputChange& change);
    bool conditionsHold(const Loaded& loaded) const;
    void fire(const Loaded& loaded, const std::string& cause, int depth);
    void heldDue(int input);

    OutputEngine& engine_;
    OutputEngine::ListenerId listener_;
    OwnTimers held_;  // one per input
    const WallClock& calendar_;
    const LocalZone& zone_;
    const InputState inputState_;
    const Perform perform_;
    const TooDeep tooDeep_;
    std::vector<Loaded> rules_;
    int depth_ = 8;
    bool running_ = false;
    // How deep in a chain each rule last acted: a step of its that comes
    // later (after an interlock's dead time) sets others off from there.
    std::map<std::string, int> depthOf_;
    // Per input: when it was pressed, by the timers' clock, and how long a
    // hold has been carried out already in this press.
    std::array<std::optional<std::chrono::milliseconds>, kInputs> pressedAt_{};
    std::array<std::chrono::milliseconds, kInputs> heldDone_{};
};

}  // namespace kavtra
