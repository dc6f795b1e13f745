#pragma once

#include <string>
#include <string_view>

#include "commands/output_choice.h"
#include "persist/profile/cls_ini.h"

namespace kavtra {

// The keys of [MQTT] in config.ini and what a missing one reads as, for the
// reading below and the window's "MQTT", which writes them. An empty Node
// reads as the computer's name.
struct MqttKey {
    std::string_view name;
    std::string_view byDefault;
};
inline constexpr std::string_view kMqttSection = kOutputChoiceSection;
inline constexpr MqttKey kMqttHost{"Host", ""};
inline constexpr MqttKey kMqttPort{"Port", "1883"};
inline constexpr MqttKey kMqttUser{"User", ""};
inline constexpr MqttKey kMqttPassword{"Password", ""};
inline constexpr MqttKey kMqttNode{"Node", ""};
inline constexpr MqttKey kMqttBaseTopic{"BaseTopic", "kavtra"};
inline constexpr MqttKey kMqttDiscovery{"Discovery", "1"};
inline constexpr MqttKey kMqttDiscoveryPrefix{"DiscoveryPrefix", "homeassistant"};
inline constexpr MqttKey kMqttTls{"TLS", "0"};
inline constexpr MqttKey kMqttCaFile{"CAFile", ""};
inline constexpr MqttKey kMqttOutputs{kOutputChoiceKey, "all"};

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
    // The outputs Home Assistant is told of; the others' configs are removed.
    OutputChoice outputs;
    bool operator==(const MqttSettings&) const = default;
};

// What config.ini says. Host is read first; when it is empty nothing else is
// read and `settings` stays empty. A key whose value cannot serve leaves the
// link off and is named in `problem` (Russian, for the user).
struct MqttSettingsReading {
    bool enabled = false;
    MqttSettings settings;
    std::string problem;
    bool operator==(const MqttSettingsReading&) const = default;
};

// hostName: the computer's name, the default of Node.
MqttSettingsReading readMqttSettings(const clsINI& config, std::string_view hostName);

// A node name goes into topic levels, the client identifier and the unique
// identifiers Home Assistant keeps, so it is reduced to a-z, 0-9 and '_':
// ASCII letters lowered, every other character '_'.
std::string reducedNodeName(std::string_view text);

}  // namespace kavtra
