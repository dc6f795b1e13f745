#include "mqtt/engine_mqtt.h"

#include "persist/files/data_file.h"

namespace kavtra {

EngineMqtt::EngineMqtt(OutputEngine& engine, CommandCore& core, RuleBook& rules, Sequences& sequences,
                       MqttSettings settings, SessionTiming timing)
    : engine_(engine),
      core_(core),
      source_(Source::mqtt(settings.node)),
      rules_(rules),
      sequences_(sequences),
      bridge_(std::move(settings), *this, timing) {
    listener_ = engine_.addListener(
        [this](const OutputChange& change) { bridge_.outputsChanged(change.states, change.names); });
    rulesListener_ = rules_.addListener([this] {
        bridge_.rulesChanged(rules_.rules(), sequences_.statuses());
        // New limits may have started or ended timers of outputs left as they were.
        std::vector<int> all(OutState::kOutputs);
        for (int output = 1; output <= OutState::kOutputs; ++output) all[output - 1] = output;
        bridge_.outputsChanged({}, {}, all);
    });
    sequencesListener_ = sequences_.addListener(
        [this](const SequenceStatus& status, const std::string&) { bridge_.sequenceChanged(status); });
    bridge_.rulesChanged(rules.rules(), sequences_.statuses());
    bridge_.start();
}

EngineMqtt::~EngineMqtt() {
    engine_.removeListener(listener_);
    rules_.removeListener(rulesListener_);
    sequences_.removeListener(sequencesListener_);
}

bool EngineMqtt::isOn(int output) const { return engine_.isOn(output); }
std::string EngineMqtt::name(int output) const { return engine_.name(output); }
std::string EngineMqtt::deadline(int output) const {
    const std::optional<WallTime> time = core_.view(output).deadline;
    return time ? savedTimeText(*time) : std::string();
}
void EngineMqtt::apply(const Command& command, std::function<void(const Reply&)> answer) {
    core_.execute({command, source_}, std::move(answer));
}

}  // namespace kavtra
