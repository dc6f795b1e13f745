#pragma once

#include <string>
#include <string_view>

#include "persist/profile/cls_ini.h"

namespace kavtra {

// The [MQTT] section of config.ini. An empty Host means MQTT is off.
struct MqttSettings {
    std::string host;
    int port = 1883;
    std::string user;
    std::string password;
    std::string node;
    std::string baseTopic = "kavtra";
    bool discovery = true;
    std::string discoveryPrefix = "homeassistant";
    bool tls = false;
    std::string caFile;
};

// What config.ini says. Host is read first; when it is empty nothing else is
// read and `settings` stays empty. A key whose value cannot serve leaves the
// link off and is named in `problem` (Russian, for the user).
struct MqttSettingsReading {
    bool enabled = false;
    MqttSettings settings;
    std::string problem;
};

// hostName: the computer's name, the default of Node.
MqttSettingsReading readMqttSettings(const clsINI& config, std::string_view hostName);

// A node name goes into topic levels, the client identifier and the unique
// identifiers Home Assistant keeps, so it is reduced to a-z, 0-9 and '_':
// ASCII letters lowered, every other character '_'.
std::string reducedNodeName(std::string_view text);

}  // namespace kavtra
