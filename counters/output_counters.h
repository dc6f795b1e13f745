#pragma once

#include <array>
#include <functional>
#include <vector>

#include "counters/counter_record.h"
#include "engine/callbacks.h"
#include "engine/output_engine.h"
#include "engine/source.h"
#include "engine/step_outcome.h"
#include "engine/wall_clock.h"
#include "outputs/out_state.h"
#include "schedule/local_zone.h"

namespace kavtra {

// Which outputs' counters changed, and the reset's source when a reset
// changed them (else a step did).
struct CountersChange {
    std::vector<int> outputs;
    const Source* resetBy = nullptr;
};

// Per output, how often it switched and how long it was on, in all, today
// and yesterday (local days). Counted from the engine's steps, as each
// latches, and saved in the same save of Data.dat as the step that changed
// them ([Counters], one key per output that ever changed). An output is
// counted from its first switch by a step (not a policy's): until then a
// policy only sets where it starts from. The start and exit
// policies' steps save nothing of the outputs: the start's counts go with
// the next save (the start writes no file), the exit's are saved alone, in
// one save, since no save follows it. An output's time on is
// counted until it is read: one left on while the program was not running
// (killed, or left on by the exit policy) was on all that while, since the
// shift registers hold their latches.
class OutputCounters {
public:
    OutputCounters(OutputEngine& engine, const WallClock& clock, const LocalZone& zone);
    ~OutputCounters();
    OutputCounters(const OutputCounters&) = delete;
    OutputCounters& operator=(const OutputCounters&) = delete;

    // For the start sequence, before its policy: what the last run saved.
    // Until this has run nothing is counted or saved.
    void resume();

    OutputTally tally(int output) const;
    bool on(int output) const { return records_.at(static_cast<std::size_t>(output)).on; }

    // The outputs' counters back to none, in one save (none: all 300).
    SaveOutcome reset(const std::vector<int>& outputs, const Source& source);

    using Listener = std::function<void(const CountersChange&)>;
    using ListenerId = Callbacks<Listener>::Id;
    ListenerId addListener(Listener listener) { return listeners_.add(std::move(listener)); }
    void removeListener(ListenerId id) { listeners_.remove(id); }

private:
    // The outputs whose latch the step changed, counted; none when the
    // step was counted already.
    std::vector<int> count(const OutputChange& change);
    void write(const std::vector<int>& outputs, const clsINI& data);

    OutputEngine& engine_;
    const WallClock& clock_;
    const LocalZone& zone_;
    std::array<CounterRecord, OutState::kOutputs + 1> records_{};
    std::array<bool, OutState::kOutputs + 1> known_{};  // has a key in [Counters]
    bool resumed_ = false;
    std::vector<int> saved_;    // counted by the save of the step now being told
    std::vector<int> unsaved_;  // counted at the start, for the next save
    OutputEngine::SaveHookId saveHook_;
    OutputEngine::ListenerId listener_;
    Callbacks<Listener> listeners_;
};

}  // namespace kavtra
