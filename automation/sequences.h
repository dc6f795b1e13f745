#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command.h"
#include "commands/reply.h"
#include "commands/sequence_control.h"
#include "engine/callbacks.h"
#include "engine/output_engine.h"
#include "engine/timers.h"
#include "engine/wall_clock.h"
#include "rules/rule_book.h"

namespace kavtra {

// Where a sequence stands, as every transport shows it.
struct SequenceStatus {
    enum class State { Stopped, Running, Paused };
    std::string name;
    State state = State::Stopped;
    int step = 0;                                   // the current step, from 1; 0 when stopped
    int steps = 0;                                  // how many it has
    int round = 0;                                  // the current round, from 1; 0 when stopped
    std::optional<int> rounds;                      // nothing: for ever
    std::optional<std::chrono::milliseconds> left;  // of the current step, when not stopped
    bool operator==(const SequenceStatus&) const = default;
};

// "running", "paused", "stopped": the API's and MQTT's words for a state.
std::string_view stateWord(SequenceStatus::State state);

// Runs the sequences of Rules.ini: each step's request is carried out (with
// the source sequence:NAME, through the command core, so that interlocks and
// limits hold as for any request) and held for its time. The steps' times
// are planned from the sequence's start on the steady clock, each from where
// the last was planned to end, never from when it was carried out: a late
// step makes no later one late. Where each running or paused sequence stands
// is saved in Data.dat ([Sequences]) in the same save as each of its steps,
// with the calendar time its step ends, so that a restart resumes it, or,
// past that time, goes on from the step it should stand at by then.
class Sequences : public SequenceControl {
public:
    // Carries out a request of a step or of Finally; each reply to `answer`.
    using Carry = std::function<void(const Command& command, const Source& source,
                                     const std::function<void(const Reply&)>& answer)>;
    Sequences(OutputEngine& engine, Timers& timers, const WallClock& clock, RuleBook& rules, Carry carry);
    ~Sequences() override;
    Sequences(const Sequences&) = delete;
    Sequences& operator=(const Sequences&) = delete;

    // Start begins at the first step, or resumes a paused sequence where it
    // stood; stop carries out Finally, as the end of the last round does.
    Reply start(const std::string& name, const Source& source) override;
    Reply pause(const std::string& name, const Source& source) override;
    Reply stop(const std::string& name, const Source& source) override;

    // For the end of the start sequence, once the first transfer is made:
    // the sequences the last run left running or paused, from Data.dat.
    // Until this has run, saves leave what it saved as it is.
    void resume();
    // Rules.ini read anew: a sequence running or paused that it no longer
    // has, or has otherwise, stops (its Finally as it was); the rest go on.
    void reread();

    // Every sequence of Rules.ini, in the file's order.
    std::vector<SequenceStatus> statuses() const;
    SequenceStatus status(const std::string& name) const;

    // Told of every change of where a sequence stands, with what the log
    // says of it (empty for a step that went as planned).
    using Listener = std::function<void(const SequenceStatus& status, const std::string& remark)>;
    using ListenerId = Callbacks<Listener>::Id;
    ListenerId addListener(Listener listener) { return listeners_.add(std::move(listener)); }
    void removeListener(ListenerId id) { listeners_.remove(id); }

private:
    struct Run {
        Sequence sequence;  // as it was when started: a reading that changes it stops it
        std::uint64_t id = 0;
        bool paused = false;
        int round = 0;                       // from 0
        int step = 0;                        // from 0
        std::chrono::milliseconds start{0};  // the step's planned start, steady; running only
        std::chrono::milliseconds left{0};   // of the step; paused only
        std::chrono::milliseconds ends() const { return start + sequence.steps[step].hold; }
    };

    // From the run's step (carried out already, or not when `current`), on
    // to the step due at `now`: it and the steps of no time just before it
    // are carried out; past the last round the run ends.
    // `remark` goes with the step walked to.
    void walk(const std::string& name, std::chrono::milliseconds now, bool current, const std::string& remark);
    void end(const std::string& name, const std::string& remark);
    void carry(const std::string& name, const Command& command, const std::string& what);
    void wake();
    void arm();
    void onSave(const clsINI& data);
    void tell(const std::string& name, const std::string& remark);
    SequenceStatus statusOf(const Sequence& sequence) const;

    OutputEngine& engine_;
    OutputEngine::SaveHookId saveHook_;
    OwnTimers timer_;  // one, for the soonest step's end
    const WallClock& clock_;
    RuleBook& rules_;
    Carry carry_;
    std::map<std::string, Run> runs_;
    std::uint64_t nextId_ = 0;
    std::uint64_t saves_ = 0;
    bool resumed_ = false;
    Callbacks<Listener> listeners_;
};

}  // namespace kavtra
