#pragma once

#include <memory>
#include <string>

#include "commands/command_core.h"
#include "engine/input_watch.h"
#include "engine/output_engine.h"
#include "mqtt/mqtt_bridge.h"
#include "rules/rule_book.h"

namespace kavtra {

// The program's MQTT over the outputs engine: every step of the engine is
// published, and commands go through the command core like every other
// source's, so they take the same path as a double click. The rules' groups,
// scenes, sequences, rules and named inputs are announced anew whenever the
// rules are read or edited; a sequence's switch follows it as it starts and
// stops.
class EngineMqtt : public OutputAccess {
public:
    EngineMqtt(OutputEngine& engine, InputWatch& inputs, CommandCore& core, RuleBook& rules, Sequences& sequences,
               MqttSettings settings, SessionTiming timing = {});
    ~EngineMqtt() override;

    MqttBridge& bridge() { return bridge_; }

    bool isOn(int output) const override;
    std::string name(int output) const override;
    std::string deadline(int output) const override;
    std::optional<StatsView> stats(int output) const override;
    void apply(const Command& command, std::function<void(const Reply&)> answer) override;

private:
    // With discovery, Home Assistant shows the named inputs: they are
    // watched while the link lives, and their states sent as they are now.
    void watchNamedInputs();

    OutputEngine& engine_;
    InputWatch& inputs_;
    const bool discovery_;
    CommandCore& core_;
    const Source source_;  // mqtt:NODE
    RuleBook& rules_;
    Sequences& sequences_;
    MqttBridge bridge_;
    OutputEngine::ListenerId listener_;
    InputWatch::ListenerId inputsListener_;
    RuleBook::ListenerId rulesListener_;
    Sequences::ListenerId sequencesListener_;
    std::optional<OutputCounters::ListenerId> countersListener_;
};

}  // namespace kavtra
