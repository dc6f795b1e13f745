#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "engine/interlocks.h"
#include "engine/source.h"
#include "engine/step_outcome.h"
#include "engine/timers.h"
#include "outputs/out_state.h"

namespace kavtra {

// The interlocks with their dead times, counted from the latches. The
// engine asks it what a step may switch on now and what must wait, and
// tells it which outputs it set off and when a transfer latched them; an
// output that waits goes on in a step of its own when its time is up.
class DeadTimeGate {
public:
    // Outputs of one step that waited for a dead time.
    struct Waiting {
        std::vector<int> outputs;
        Source source;  // of the step that asked for them
        WhenLatched whenLatched;
        bool cancelledSome = false;  // a later request took some of them
    };
    // `due` makes the step of a wait whose time is up; its outputs are
    // planned anew there.
    DeadTimeGate(Timers& timers, std::function<void(Waiting)> due);
    DeadTimeGate(const DeadTimeGate&) = delete;
    DeadTimeGate& operator=(const DeadTimeGate&) = delete;

    // An output still waiting goes on as asked, under the interlocks of the
    // moment its time is up.
    void setInterlocks(std::vector<Interlock> interlocks) { interlocks_ = std::move(interlocks); }
    const std::vector<Interlock>& interlocks() const { return interlocks_; }

    InterlockPlan plan(const OutState& before, const std::vector<std::pair<int, std::int16_t>>& requested,
                       bool withDeadTime) const;
    // A later request on any output of an interlock has the last word over
    // an output of it still waiting: that wait ends, and a wait left with no
    // outputs is told it was cancelled.
    void cancel(const std::vector<std::pair<int, std::int16_t>>& requested);
    // Outputs a plan kept for later wait `after` from now, once the step
    // that planned them has latched the others off.
    void wait(std::chrono::milliseconds after, Waiting waiting);

    // An output set off that the port does not show off yet.
    void switchedOff(int output);
    // A transfer has latched `states`.
    void latched(const OutState& states);

private:
    // How long ago each output was latched off.
    OffAgo offAgo() const;

    // A wait per id: the outputs of two waits never share an interlock, so
    // there are never more waits than outputs.
    OwnTimers timers_;
    std::function<void(Waiting)> due_;
    std::vector<Interlock> interlocks_;
    // Per pending timer.
    std::map<int, Waiting> waiting_;
    // When each output was last latched off, by timers_' clock: a dead time
    // protects the load from the moment the port really switched it, however
    // long the save before that transfer took.
    std::array<std::optional<std::chrono::milliseconds>, OutState::kOutputs + 1> offAt_{};
    std::vector<int> offUnlatched_;
};

}  // namespace kavtra
