#include "mqtt/mqtt_settings.h"

#include <charconv>

#include "persist/files/settings.h"
#include "persist/ini/ini_lines.h"

namespace kavtra {
namespace {

constexpr std::string_view kTopicRule = "не может быть пустым, содержать + и # или начинаться и кончаться на /";

// A topic prefix must name topics, not match them, and must join the levels
// the program adds with exactly one '/'.
bool usableTopicPrefix(std::string_view prefix) {
    return !prefix.empty() && prefix.find_first_of(std::string_view("+#\0", 3)) == std::string_view::npos &&
           prefix.front() != '/' && prefix.back() != '/';
}

bool readSwitch(std::string_view text, bool& value) {
    if (text == "0" || text == "1") {
        value = text == "1";
        return true;
    }
    return false;
}

bool readPort(std::string_view text, int& port) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) return false;
    port = value;
    return true;
}

}  // namespace

std::string reducedNodeName(std::string_view text) {
    std::string node;
    node.reserve(text.size());
    for (const char c : text) {
        if (c >= 'A' && c <= 'Z')
            node += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            node += c;
        // One '_' per character, not per byte of a UTF-8 sequence.
        else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            node += '_';
    }
    return node;
}

MqttSettingsReading readMqttSettings(const clsINI& config, std::string_view hostName) {
    MqttSettingsReading reading;
    auto read = [&](const MqttKey& key) {
        return std::string(ini::trimBlanks(config.GetPrivateINIString(kMqttSection, key.name, key.byDefault)));
    };
    MqttSettings& s = reading.settings;
    s.host = read(kMqttHost);
    if (s.host.empty()) return reading;
    reading.enabled = true;

    auto fail = [&](const MqttKey& key, std::string_view why) {
        reading.enabled = false;
        reading.problem = "MQTT выключен: ключ " + std::string(key.name) + " в разделе [MQTT] файла config.ini " +
                          std::string(why);
        return reading;
    };
    if (!readPort(read(kMqttPort), s.port)) return fail(kMqttPort, "должен быть числом от 1 до 65535");
    s.user = read(kMqttUser);
    s.password = read(kMqttPassword);
    const std::string node = read(kMqttNode);
    s.node = reducedNodeName(node.empty() ? hostName : node);
    if (s.node.empty()) s.node = "kavtra";
    s.baseTopic = read(kMqttBaseTopic);
    if (!usableTopicPrefix(s.baseTopic)) return fail(kMqttBaseTopic, kTopicRule);
    if (!readSwitch(read(kMqttDiscovery), s.discovery)) return fail(kMqttDiscovery, "должен быть 0 или 1");
    s.discoveryPrefix = read(kMqttDiscoveryPrefix);
    if (!usableTopicPrefix(s.discoveryPrefix)) return fail(kMqttDiscoveryPrefix, kTopicRule);
    if (!readSwitch(read(kMqttTls), s.tls)) return fail(kMqttTls, "должен быть 0 или 1");
    s.caFile = read(kMqttCaFile);
    Parsed<OutputChoice> outputs = parseOutputChoice(read(kMqttOutputs));
    if (!outputs)
        return fail(kMqttOutputs, "должен быть all, named или списком выводов, например 1-40,45: " + outputs.error);
    s.outputs = std::move(*outputs.value);
    return reading;
}

}  // namespace kavtra
