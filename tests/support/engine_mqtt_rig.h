#pragma once

#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>
#include <string>

#include "mqtt/engine_mqtt.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/manual_timers.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/mqtt_test_settings.h"

namespace kavtra::test {

// The program's engine on the modelled board with its rules, command core and
// MQTT (node "hall") on a broker of the test's own, and a client that records
// everything the broker passes on.
struct EngineMqttRig : EngineOnBoard {
    EngineMqttRig() {
        watcher.subscribe("#");
        rules.addListener([this] { safety.setLimits(rules.rules().limits); });
        safety.resume();
        pulses.resume();
    }

    // Rules.ini with this text, in UTF-8 with its byte-order mark, read anew.
    void writeRules(const std::string& text) {
        std::ofstream(rules.path(), std::ios::binary) << "\xEF\xBB\xBF" << text;
        rules.reload();
    }
    // MQTT started, once its first publication of the outputs has arrived.
    void startMqtt() {
        mqtt = std::make_unique<EngineMqtt>(engine, core, rules, settingsFor(broker));
        EXPECT_TRUE(eventually([&] { return watcher.count("kavtra/hall/out/") >= 600; }));
    }
    // The last payload on a topic, as a JSON object (empty when none).
    QJsonObject json(const std::string& topic) const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(watcher.last(topic).value_or(""))).object();
    }

    MosquittoBroker broker{dir.path};
    MqttTestClient watcher{broker.port(), "watcher"};
    ManualTimers timers;
    OutputPulses pulses{engine, timers, timers};
    SafetyTimers safety{engine, timers, timers};
    RuleBook rules{rulesPath(dir.path.string()), engine, timers};
    CommandCore core{engine, pulses, rules, &safety};
    std::unique_ptr<EngineMqtt> mqtt;
};

}  // namespace kavtra::test
