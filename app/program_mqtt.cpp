#include "app/program_mqtt.h"

#include <QSysInfo>

#include <chrono>
#include <cstdio>

#include "mqtt/engine_mqtt.h"

namespace kavtra {
namespace {

MqttSettingsReading readSettings(const clsINI& config) {
    return readMqttSettings(config, QSysInfo::machineHostName().toStdString());
}

}  // namespace

struct ProgramMqtt::Link {
    ProgramMqtt& owner;
    Program& program;
    MqttSettingsReading reading;  // as last read
    std::unique_ptr<EngineMqtt> mqtt;
    bool connected = false;

    void start(MqttSettingsReading settings);

    // The exit policy's states are on their way by then; a broker that does
    // not answer holds the exit, or a change of the settings, for a second
    // at most.
    void end() {
        if (mqtt) mqtt->bridge().shutdown(std::chrono::milliseconds(1000));
    }
};

bool ProgramMqtt::built() { return true; }

ProgramMqtt::ProgramMqtt(Program& program) : link_(std::make_unique<Link>(Link{*this, program, {}, nullptr})) {
    link_->start(readSettings(program.plant.config));
    // Whichever link is current at the exit says "offline".
    program.plant.addFinalStep([link = link_.get()] { link->end(); });
}

ProgramMqtt::~ProgramMqtt() = default;

std::optional<bool> ProgramMqtt::connected() const {
    if (!link_->mqtt) return std::nullopt;
    return link_->connected;
}

void ProgramMqtt::followConfig() {
    MqttSettingsReading reading = readSettings(link_->program.plant.config);
    if (reading == link_->reading) return;
    link_->end();
    link_->mqtt.reset();
    link_->start(std::move(reading));
    if (!link_->mqtt) emit statusChanged(status_, false);
}

void ProgramMqtt::Link::start(MqttSettingsReading settings) {
    reading = std::move(settings);
    owner.status_ = QString::fromStdString(reading.problem);
    if (!reading.problem.empty()) {
        std::fprintf(stderr, "kavtra: %s\n", reading.problem.c_str());
        std::fflush(stderr);
    }
    connected = false;
    if (!reading.enabled) return;
    mqtt = std::make_unique<EngineMqtt>(program.plant.engine, program.plant.inputs, program.plant.core,
                                        program.plant.rules, program.plant.sequences, reading.settings);
    connect(&mqtt->bridge(), &MqttBridge::statusChanged, &owner, [this](const QString& text, bool up) {
        connected = up;
        owner.status_ = text;
        emit owner.statusChanged(text, up);
    });
}

}  // namespace kavtra
