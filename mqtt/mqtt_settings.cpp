#include "mqtt/mqtt_settings.h"

#include <charconv>

#include "persist/files/settings.h"
#include "persist/ini/ini_lines.h"

namespace kavtra {
namespace {

constexpr std::string_view kSection = "MQTT";
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
    auto read = [&](std::string_view key, std::string_view def) {
        return std::string(ini::trimBlanks(config.GetPrivateINIString(kSection, key, def)));
    };
    MqttSettings& s = reading.settings;
    s.host = read("Host", "");
    if (s.host.empty()) return reading;
    reading.enabled = true;

    auto fail = [&](std::string_view key, std::string_view why) {
        reading.enabled = false;
        reading.problem = "MQTT выключен: ключ " + std::string(key) + " в разделе [MQTT] файла config.ini " +
                          std::string(why);
        return reading;
    };
    if (!readPort(read("Port", "1883"), s.port)) return fail("Port", "должен быть числом от 1 до 65535");
    s.user = read("User", "");
    s.password = read("Password", "");
    s.node = reducedNodeName(read("Node", hostName));
    if (s.node.empty()) s.node = "kavtra";
    s.baseTopic = read("BaseTopic", "kavtra");
    if (!usableTopicPrefix(s.baseTopic)) return fail("BaseTopic", kTopicRule);
    if (!readSwitch(read("Discovery", "1"), s.discovery)) return fail("Discovery", "должен быть 0 или 1");
    s.discoveryPrefix = read("DiscoveryPrefix", "homeassistant");
    if (!usableTopicPrefix(s.discoveryPrefix)) return fail("DiscoveryPrefix", kTopicRule);
    if (!readSwitch(read("TLS", "0"), s.tls)) return fail("TLS", "должен быть 0 или 1");
    s.caFile = read("CAFile", "");
    return reading;
}

}  // namespace kavtra
