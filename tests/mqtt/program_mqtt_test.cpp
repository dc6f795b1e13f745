#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "app/program_mqtt.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// What "MQTT" writes, the running program follows: the same settings keep
// the link, others replace it (the old one says "offline"), no host ends it.
TEST(ProgramMqtt, FollowsTheSettingsAsTheWindowsDialogWritesThem) {
    ScratchDir files, brokerDir;
    MosquittoBroker broker{brokerDir.path};
    MqttTestClient watcher{broker.port(), "watcher"};
    watcher.subscribe("#");
    const ScopedEnv simulated("KAVTRA_PORT", "sim");
    Program program(files.path.string(), [](const PortFailure&) { ADD_FAILURE() << "the port failed"; });
    const clsINI& config = program.plant.config;
    const auto write = [&](const char* key, const std::string& value) {
        config.WritePrivateINIString("MQTT", key, value);
    };
    write("Host", "127.0.0.1");
    write("Port", std::to_string(broker.port()));
    write("Node", "hall");
    ProgramMqtt mqtt(program);
    QSignalSpy said(&mqtt, &ProgramMqtt::statusChanged);
    ASSERT_TRUE(eventually([&] { return watcher.last("homeassistant/switch/hall/out300/config") != std::nullopt; }));
    EXPECT_TRUE(mqtt.status().startsWith("MQTT: подключено к 127.0.0.1:")) << mqtt.status().toStdString();
    const qsizetype saidBefore = said.count();
    mqtt.followConfig();
    QTest::qWait(200);
    EXPECT_EQ(said.count(), saidBefore);
    EXPECT_EQ(watcher.count("kavtra/hall/status"), 1u);

    write("Node", "yard");
    write("Outputs", "named");
    mqtt.followConfig();
    ASSERT_TRUE(eventually([&] { return watcher.last("homeassistant/switch/yard/out300/config") == ""; }));
    EXPECT_EQ(watcher.last("kavtra/hall/status"), "offline");
    EXPECT_EQ(watcher.last("kavtra/yard/status"), "online");

    write("Host", "");
    mqtt.followConfig();
    EXPECT_EQ(mqtt.status(), "");
    EXPECT_EQ(said.last().first().toString(), "");
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/yard/status") == "offline"; }));
}

}  // namespace
}  // namespace kavtra::test
