#pragma once

#include <QJsonDocument>
#include <QJsonObject>

#include <string>

#include "mqtt/engine_mqtt.h"
#include "tests/support/core_on_board.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/mqtt_test_settings.h"

namespace kavtra::test {

// The program's plant on the modelled board with MQTT (node "hall") on a
// broker of the test's own, and a client that records everything the broker
// passes on.
struct EngineMqttRig : CoreOnBoard {
    EngineMqttRig() { watcher.subscribe("#"); }

    // MQTT started, once its first publication of the outputs has arrived.
    void startMqtt() {
        mqtt = std::make_unique<EngineMqtt>(engine, plant.inputs, core, rules, plant.sequences, settingsFor(broker));
        EXPECT_TRUE(eventually([&] { return watcher.count("kavtra/hall/out/") >= 600; }));
    }
    // The last payload on a topic, as a JSON object (empty when none).
    QJsonObject json(const std::string& topic) const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(watcher.last(topic).value_or(""))).object();
    }

    MosquittoBroker broker{dir.path};
    MqttTestClient watcher{broker.port(), "watcher"};
    std::unique_ptr<EngineMqtt> mqtt;
};

}  // namespace kavtra::test
