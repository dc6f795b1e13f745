#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/output_engine.h"
#include "mqtt/engine_mqtt.h"
#include "outputs/shift_board.h"
#include "persist/files/settings.h"
#include "persist/profile/cls_ini.h"
#include "port/lpt.h"
#include "port/port_tap.h"
#include "port/simulated_port.h"
#include "tests/support/manual_timers.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/mqtt_test_settings.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using test::eventually;

// The program's engine on a simulated port with the board model on it, and
// its MQTT on a broker of the test's own.
struct MqttEngineTest : ::testing::Test {
    MqttEngineTest() {
        tap.addListener(board.listener());
        data.FileName(dataPath(scratch.path.string()));
        engine.applyPolicy(kPolicyRemembered, Source::StartPolicy);
        engine.LoadList();
        engine.Init_Outs();
        watcher.subscribe("#");
        mqtt = std::make_unique<EngineMqtt>(engine, core, test::settingsFor(broker));
        EXPECT_TRUE(eventually([&] { return watcher.count("kavtra/hall/out/") == 600; }));
    }
    std::string saved(int output, const char* key) const {
        clsINI reader;
        reader.FileName(dataPath(scratch.path.string()));
        return reader.GetPrivateINIString("Devais_" + std::to_string(output), key, "(none)");
    }

    test::ScratchDir scratch;
    test::MosquittoBroker broker{scratch.path};
    test::MqttTestClient watcher{broker.port(), "watcher"};
    SimulatedPort port;
    PortTap tap{port};
    ShiftBoard board;
    LPT lpt{tap};
    clsINI data;
    OutputEngine engine{data, lpt};
    test::ManualTimers timers;
    OutputPulses pulses{engine, timers};
    RuleBook rules{rulesPath(scratch.path.string()), engine, timers};
    CommandCore core{engine, pulses, rules};
    std::unique_ptr<EngineMqtt> mqtt;
};

TEST_F(MqttEngineTest, OnForOutput7LatchesItSavesAndPublishes) {
    engine.setAll(false, Source::Window);
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/7/state") == "OFF"; }));
    const auto latchesBefore = board.latchPulses();
    watcher.publish("kavtra/hall/out/7/set", "ON");
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/7/state") == "ON"; }));
    EXPECT_EQ(board.outputLevel(7), 1);
    EXPECT_EQ(board.outputLevel(6), 0);
    EXPECT_EQ(board.outputLevel(8), 0);
    EXPECT_EQ(board.latchPulses() - latchesBefore, 1u);
    EXPECT_EQ(saved(7, "Value"), "0");
    EXPECT_EQ(saved(8, "Value"), "1");
}

TEST_F(MqttEngineTest, ABatchIsOneTransfer) {
    const auto latchesBefore = board.latchPulses();
    watcher.publish("kavtra/hall/set", R"({"1":"OFF","40":"OFF","41":"OFF","300":"OFF"})");
    ASSERT_TRUE(eventually([&] {
        return watcher.last("kavtra/hall/out/300/state") == "OFF" && watcher.last("kavtra/hall/out/1/state") == "OFF";
    }));
    EXPECT_EQ(board.latchPulses() - latchesBefore, 1u);
    for (const int output : {1, 40, 41, 300}) {
        EXPECT_EQ(board.outputLevel(output), 0) << output;
        EXPECT_EQ(saved(output, "Value"), "1") << output;
    }
    EXPECT_EQ(board.outputLevel(2), 1);
}

TEST_F(MqttEngineTest, ChangesFromElsewhereArePublished) {
    engine.rename(4, "Насос", Source::Window);
    engine.toggle(4, Source::Window);
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/4/state") == "OFF"; }));
    EXPECT_EQ(watcher.last("kavtra/hall/out/4/name"), "Насос");
    EXPECT_NE(watcher.last("homeassistant/switch/hall/out4/config")->find("\"name\":\"Насос\""), std::string::npos);
    // The exit policy, the last change before the program leaves.
    engine.applyPolicy(kPolicyAllOff, Source::StartPolicy);
    mqtt->bridge().shutdown(std::chrono::milliseconds(2000));
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/status") == "offline"; }));
    for (const int output : {1, 150, 300})
        EXPECT_EQ(watcher.last("kavtra/hall/out/" + std::to_string(output) + "/state"), "OFF");
}

}  // namespace
}  // namespace kavtra
