#include "app/program_mqtt.h"

namespace kavtra {

// A build without libmosquitto (KAVTRA_MQTT off, as the Linux programs the
// Windows build runs at build time are): the [MQTT] section is not even read.
struct ProgramMqtt::Link {};

ProgramMqtt::ProgramMqtt(Program&) {}
ProgramMqtt::~ProgramMqtt() = default;

bool ProgramMqtt::built() { return false; }
std::optional<bool> ProgramMqtt::connected() const { return std::nullopt; }
void ProgramMqtt::followConfig() {}

}  // namespace kavtra
