#include "mqtt/engine_mqtt.h"

#include <QSysInfo>

#include <cstdio>

namespace kavtra {

EngineMqtt::EngineMqtt(OutputEngine& engine, MqttSettings settings, SessionTiming timing)
    : engine_(engine), bridge_(std::move(settings), *this, timing) {
    listener_ = engine_.addListener(
        [this](const OutputChange& change) { bridge_.outputsChanged(change.states, change.names); });
    bridge_.start();
}

EngineMqtt::~EngineMqtt() { engine_.removeListener(listener_); }

bool EngineMqtt::isOn(int output) const { return engine_.isOn(output); }
std::string EngineMqtt::name(int output) const { return engine_.name(output); }
void EngineMqtt::set(const std::vector<std::pair<int, bool>>& outputsOn) { engine_.set(outputsOn); }

std::unique_ptr<EngineMqtt> startMqtt(clsINI& ini, const std::string& programDir, OutputEngine& engine) {
    const MqttSettingsReading reading = readMqttSettings(ini, programDir, QSysInfo::machineHostName().toStdString());
    if (!reading.problem.empty()) {
        std::fprintf(stderr, "kavtra: %s\n", reading.problem.c_str());
        std::fflush(stderr);
    }
    if (!reading.enabled) return nullptr;
    return std::make_unique<EngineMqtt>(engine, reading.settings);
}

}  // namespace kavtra
