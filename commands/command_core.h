#pragma once

#include <functional>

#include "commands/command.h"
#include "commands/output_view.h"
#include "commands/reply.h"
#include "commands/sequence_control.h"
#include "commands/stats_view.h"
#include "counters/output_counters.h"
#include "engine/output_engine.h"
#include "engine/output_pulses.h"
#include "engine/safety_timers.h"
#include "rules/rule_book.h"

namespace kavtra {

// What `show` needs of the window: the program without one has none.
class WindowShower {
public:
    virtual ~WindowShower() = default;
    virtual void showWindow() = 0;
};

// Where a request becomes a change: every transport hands its requests here,
// on the thread the engine lives on, and gets the reply to send back.
class CommandCore {
public:
    // `safety` gives the views the time left of running limits; without it
    // none is shown. Without `sequences` a sequence's request is refused,
    // and without `counters` a request of the counters.
    CommandCore(OutputEngine& engine, OutputPulses& pulses, RuleBook& rules, const SafetyTimers* safety = nullptr,
                SequenceControl* sequences = nullptr, OutputCounters* counters = nullptr);

    // `window` answers `show`: the command socket's, null when the program
    // runs without a window. `answer` is told once what the request asked is
    // latched: at once, or, for outputs that wait for an interlock's dead
    // time, after their own step (a wait a later request ends is answered as
    // cancelled).
    using Answer = std::function<void(const Reply&)>;
    void execute(const Request& request, Answer answer, WindowShower* window = nullptr);
    // The reply at once, for those who do not wait for a dead time: the
    // window, whose rows show the latch when it comes.
    Reply execute(const Request& request, WindowShower* window = nullptr);
    // Several requests as few steps as they can be: every switch among them
    // (set, toggle, all, a scene) is one step, each later word for an output
    // replacing an earlier one and a toggle reading the states the earlier
    // ones asked for; any other request (a pulse, undo, a sequence's start)
    // ends the step so far and is carried out alone, in its place. Each
    // reply goes to `answer`.
    void executeTogether(const std::vector<Command>& commands, const Source& source, const Answer& answer);

    // The outputs a target names; a group that is not there throws.
    std::vector<int> outputsOf(const Target& target) const;
    std::vector<int> outputsOf(const std::vector<Target>& targets) const;
    // An output as every transport shows it; a number out of range throws.
    OutputView view(int output) const;
    // An output's counters as every transport shows them, with its power
    // from Rules.ini; a number out of range throws, and so does a core
    // without counters.
    StatsView stats(int output) const;
    // The counters the core reads and resets; null where none are kept.
    OutputCounters* counters() const { return counters_; }
    // The five inputs, read at once from the port, each as an output reads
    // (its number, on or off as [Input N] wires it, its name).
    std::vector<OutputView> inputs() const;

private:
    // A line per output the targets name (none: all 300), in the order asked.
    Reply linesOf(const std::vector<Target>& targets, const std::function<std::string(int)>& line) const;
    void set(const std::vector<std::pair<Target, Switch>>& targets, const Source& source, const Answer& answer);

    OutputEngine& engine_;
    OutputPulses& pulses_;
    RuleBook& rules_;
    const SafetyTimers* safety_;
    SequenceControl* sequences_;
    OutputCounters* counters_;
};

}  // namespace kavtra
