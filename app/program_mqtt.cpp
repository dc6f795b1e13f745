#include "app/program_mqtt.h"

#include <chrono>

#include "mqtt/engine_mqtt.h"

namespace kavtra {

struct ProgramMqtt::Link {
    std::unique_ptr<EngineMqtt> mqtt;
};

ProgramMqtt::ProgramMqtt(Program& program)
    : link_(std::make_unique<Link>(
          Link{startMqtt(program.plant.config, program.plant.engine, program.plant.core, program.plant.rules)})) {
    if (!link_->mqtt) return;
    MqttBridge& bridge = link_->mqtt->bridge();
    connect(&bridge, &MqttBridge::statusChanged, this, &ProgramMqtt::statusChanged);
    // The exit policy's states are on their way by then; a broker that does
    // not answer holds the exit for a second at most.
    program.plant.addFinalStep([&bridge] { bridge.shutdown(std::chrono::milliseconds(1000)); });
}

ProgramMqtt::~ProgramMqtt() = default;

}  // namespace kavtra
