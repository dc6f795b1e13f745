#include "app/program_mqtt.h"

namespace kavtra {

// This build has no MQTT (libmosquitto is not built for Windows here): the
// [MQTT] section is not even read.
struct ProgramMqtt::Link {};

ProgramMqtt::ProgramMqtt(Program&, CommandCore&) {}
ProgramMqtt::~ProgramMqtt() = default;

}  // namespace kavtra
