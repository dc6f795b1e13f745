#pragma once

#include <QObject>

#include <array>
#include <optional>

#include "engine/output_engine.h"
#include "outputs/out_state.h"

class QTimer;

namespace kavtra {

// Pulses of outputs: an output takes the opposite of its resting state for a
// while, then returns to it. Both steps go through the engine like any other
// change (saved, sent, every view told). A second pulse of the same output
// before the end keeps it in the pulsed state and replaces the pending
// return; any other change of that output (window, command, all on/off)
// cancels it, so a return never undoes a later, deliberate change.
class OutputPulses : public QObject {
public:
    explicit OutputPulses(OutputEngine& engine, QObject* parent = nullptr);
    ~OutputPulses() override;

    void pulse(int output, int milliseconds);
    // Every pending return at once, in one change: so that the exit sequence
    // never keeps a pulsed state as the one to remember.
    void returnAll();
    bool pending(int output) const { return restingOn_.at(static_cast<std::size_t>(output)).has_value(); }

private:
    void returnOutput(int output);
    void setOwn(const std::vector<std::pair<int, bool>>& outputsOn);

    OutputEngine& engine_;
    OutputEngine::ListenerId listener_;
    // Per output: its resting state while a return is pending, and its timer.
    std::array<std::optional<bool>, OutState::kOutputs + 1> restingOn_;
    std::array<QTimer*, OutState::kOutputs + 1> timers_{};
    bool changing_ = false;
};

}  // namespace kavtra
