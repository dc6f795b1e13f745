#pragma once

#include <string>

#include "mqtt/mqtt_settings.h"
#include "tests/support/mosquitto_broker.h"

namespace kavtra::test {

// The link of a copy called `node` to a broker of the test's own.
inline MqttSettings settingsFor(const MosquittoBroker& broker, const std::string& node = "hall") {
    MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = broker.port();
    settings.node = node;
    return settings;
}

}  // namespace kavtra::test
