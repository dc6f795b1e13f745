#include "control/output_pulses.h"

#include <QTimer>

namespace kavtra {

OutputPulses::OutputPulses(OutputEngine& engine, QObject* parent) : QObject(parent), engine_(engine) {
    listener_ = engine_.addListener([this](const OutputChange& change) {
        if (changing_) return;
        for (int output : change.states) {
            restingOn_[static_cast<std::size_t>(output)].reset();
            if (QTimer* timer = timers_[static_cast<std::size_t>(output)]) timer->stop();
        }
    });
}

OutputPulses::~OutputPulses() { engine_.removeListener(listener_); }

void OutputPulses::pulse(int output, int milliseconds) {
    std::optional<bool>& resting = restingOn_.at(static_cast<std::size_t>(output));
    const bool restingOn = resting.value_or(engine_.isOn(output));
    if (engine_.isOn(output) == restingOn) setOwn({{output, !restingOn}});
    resting = restingOn;
    // One timer per output, made at its first pulse and kept: a timer is
    // never deleted from inside its own timeout.
    QTimer*& timer = timers_[static_cast<std::size_t>(output)];
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, output] { returnOutput(output); });
    }
    timer->start(milliseconds);
}

void OutputPulses::returnOutput(int output) {
    std::optional<bool>& resting = restingOn_[static_cast<std::size_t>(output)];
    if (!resting) return;
    const bool restingOn = *resting;
    resting.reset();
    setOwn({{output, restingOn}});
}

void OutputPulses::returnAll() {
    std::vector<std::pair<int, bool>> returns;
    for (int output = 1; output <= OutState::kOutputs; ++output) {
        std::optional<bool>& resting = restingOn_[static_cast<std::size_t>(output)];
        if (!resting) continue;
        returns.emplace_back(output, *resting);
        resting.reset();
        timers_[static_cast<std::size_t>(output)]->stop();
    }
    if (!returns.empty()) setOwn(returns);
}

void OutputPulses::setOwn(const std::vector<std::pair<int, bool>>& outputsOn) {
    // The listener must not take the pulses' own changes for someone else's.
    struct Own {
        bool& changing;
        explicit Own(bool& flag) : changing(flag) { changing = true; }
        ~Own() { changing = false; }
    } own(changing_);
    engine_.set(outputsOn);
}

}  // namespace kavtra
