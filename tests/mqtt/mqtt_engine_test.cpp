#include <gtest/gtest.h>

#include <string>

#include "tests/support/engine_mqtt_rig.h"

namespace kavtra {
namespace {

using test::eventually;

// The program's engine on the modelled board, every output on, and its MQTT
// on a broker of the test's own.
struct MqttEngineTest : ::testing::Test, test::EngineMqttRig {
    MqttEngineTest() {
        startWith({});
        startMqtt();
    }
};

TEST_F(MqttEngineTest, OnForOutput7LatchesItSavesAndPublishes) {
    engine.setAll(false, Source::Window);
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/7/state") == "OFF"; }));
    const auto latchesBefore = transfers();
    watcher.publish("kavtra/hall/out/7/set", "ON");
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/7/state") == "ON"; }));
    EXPECT_EQ(port.board.outputLevel(7), 1);
    EXPECT_EQ(port.board.outputLevel(6), 0);
    EXPECT_EQ(port.board.outputLevel(8), 0);
    EXPECT_EQ(transfers() - latchesBefore, 1u);
    EXPECT_EQ(saved(7), "0");
    EXPECT_EQ(saved(8), "1");
}

TEST_F(MqttEngineTest, ALimitsDeadlineIsAnAttributeWhileItRuns) {
    const std::string attributes = "kavtra/hall/out/7/attributes";
    EXPECT_FALSE(watcher.last(attributes));  // no limit yet, no attributes
    timers.advance(std::chrono::minutes(5));
    useRules("[Limits]\n7=20m\n");  // 7 is on: its time counts from now
    ASSERT_TRUE(eventually([&] { return watcher.last(attributes) == R"({"deadline":"2026-01-01T00:25:00.000Z"})"; }));
    watcher.publish("kavtra/hall/out/7/set", "OFF");
    ASSERT_TRUE(eventually([&] { return watcher.last(attributes) == R"({"deadline":null})"; }));
    EXPECT_EQ(watcher.last("kavtra/hall/out/7/state"), "OFF");
}

// Output 7 went on at the start (not a switch): its switch off an hour later moves its
// counters, and its power in Rules.ini announces its energy sensor.
TEST_F(MqttEngineTest, AnOutputsCountersArePublishedWithTheStepThatMovesThem) {
    useRules("[Power]\n7=600W\n");
    ASSERT_TRUE(eventually([&] {
        return watcher.last("homeassistant/sensor/hall/out7_energy/config")
                   .value_or("")
                   .find(R"("device_class":"energy")") != std::string::npos;
    }));
    timers.advance(std::chrono::hours(1));
    watcher.publish("kavtra/hall/out/7/set", "OFF");
    // Three messages, each of which may still be on its way when another has come.
    const auto last = [&](const char* what) { return watcher.last("kavtra/hall/out/7/" + std::string(what)); };
    EXPECT_TRUE(eventually([&] {
        return last("switches") == "1" && last("seconds") == "3600" && last("energy") == "0.6";
    })) << last("switches").value_or("-")
        << " " << last("seconds").value_or("-") << " " << last("energy").value_or("-");
    EXPECT_EQ(watcher.last("kavtra/hall/out/8/energy"), std::nullopt) << "no power, no energy";
}

TEST_F(MqttEngineTest, ABatchIsOneTransfer) {
    const auto latchesBefore = transfers();
    watcher.publish("kavtra/hall/set", R"({"1":"OFF","40":"OFF","41":"OFF","300":"OFF"})");
    ASSERT_TRUE(eventually([&] {
        return watcher.last("kavtra/hall/out/300/state") == "OFF" && watcher.last("kavtra/hall/out/1/state") == "OFF";
    }));
    EXPECT_EQ(transfers() - latchesBefore, 1u);
    for (const int output : {1, 40, 41, 300}) {
        EXPECT_EQ(port.board.outputLevel(output), 0) << output;
        EXPECT_EQ(saved(output), "1") << output;
    }
    EXPECT_EQ(port.board.outputLevel(2), 1);
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
