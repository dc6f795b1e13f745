#include "mqtt/engine_mqtt.h"

#include "persist/files/data_file.h"

namespace kavtra {

EngineMqtt::EngineMqtt(OutputEngine& engine, InputWatch& inputs, CommandCore& core, RuleBook& rules,
                       Sequences& sequences, MqttSettings settings, SessionTiming timing)
    : engine_(engine),
      inputs_(inputs),
      discovery_(settings.discovery),
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
        bridge_.countersChanged(all);  // a power set or taken away
        watchNamedInputs();
    });
    sequencesListener_ = sequences_.addListener(
        [this](const SequenceStatus& status, const std::string&) { bridge_.sequenceChanged(status); });
    if (OutputCounters* counters = core_.counters())
        countersListener_ =
            counters->addListener([this](const CountersChange& change) { bridge_.countersChanged(change.outputs); });
    inputsListener_ = inputs_.addListener([this](const InputEdge& edge) { bridge_.inputChanged(edge.input, edge.on); });
    bridge_.rulesChanged(rules.rules(), sequences_.statuses());
    watchNamedInputs();
    bridge_.start();
}

EngineMqtt::~EngineMqtt() {
    engine_.removeListener(listener_);
    if (countersListener_) core_.counters()->removeListener(*countersListener_);
    rules_.removeListener(rulesListener_);
    sequences_.removeListener(sequencesListener_);
    inputs_.removeListener(inputsListener_);
    inputs_.want("mqtt", {});
}

void EngineMqtt::watchNamedInputs() {
    if (!discovery_) return;
    std::array<bool, kInputs> named{};
    for (const InputSetting& input : rules_.rules().inputs)
        named[static_cast<std::size_t>(input.number - 1)] = !input.name.empty();
    inputs_.want("mqtt", named);
    for (int input = 1; input <= static_cast<int>(kInputs); ++input)
        if (const std::optional<bool> on = inputs_.isOn(input); on && named[static_cast<std::size_t>(input - 1)])
            bridge_.inputChanged(input, *on);
}

bool EngineMqtt::isOn(int output) const { return engine_.isOn(output); }
std::string EngineMqtt::name(int output) const { return engine_.name(output); }
std::string EngineMqtt::deadline(int output) const {
    const std::optional<WallTime> time = core_.view(output).deadline;
    return time ? savedTimeText(*time) : std::string();
}
std::optional<StatsView> EngineMqtt::stats(int output) const {
    if (!core_.counters()) return std::nullopt;
    return core_.stats(output);
}
void EngineMqtt::apply(const Command& command, std::function<void(const Reply&)> answer) {
    core_.execute({command, source_}, std::move(answer));
}

}  // namespace kavtra
