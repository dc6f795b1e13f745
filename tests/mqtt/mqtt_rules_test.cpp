#include <gtest/gtest.h>

#include <QJsonArray>
#include <QThread>

#include <map>
#include <string>

#include "tests/support/engine_mqtt_rig.h"
#include "tests/support/stderr_capture.h"

namespace kavtra {
namespace {

using test::eventually;

const std::string kGroupState = "kavtra/hall/group/teplitsa/state";
const std::string kGroupConfig = "homeassistant/switch/hall/group_teplitsa/config";
const std::string kSceneConfig = "homeassistant/scene/hall/scene_vecher/config";
const std::string kUndoConfig = "homeassistant/button/hall/undo/config";
const std::string kInputConfig = "homeassistant/binary_sensor/hall/in3/config";

// Every output off, a group of 1 to 3, a scene of 4 and 5 on and 1 off, a
// named input 3.
struct MqttRulesTest : ::testing::Test, test::EngineMqttRig {
    MqttRulesTest() {
        std::map<int, int> off;
        for (int n = 1; n <= OutState::kOutputs; ++n) off[n] = 1;
        startWith(off);
        useRules("[Group Теплица]\nOutputs=1-3\n[Scene Вечер]\nOn=4,5\nOff=1\n[Input 3]\nName=Дверь\n");
    }
    void command(const std::string& topic, const std::string& payload, const std::string& stateTopic,
                 const std::string& state) {
        watcher.publish("kavtra/hall/" + topic, payload);
        EXPECT_TRUE(eventually([&] { return watcher.last(stateTopic) == state; })) << topic << " " << payload;
    }
};

TEST_F(MqttRulesTest, GroupsScenesUndoAndInputsAreAnnouncedAndARetainedCommandSwitchesNothing) {
    watcher.publish("kavtra/hall/group/teplitsa/set", "ON", true);  // left from the past
    test::StderrCapture captured(dir);
    port.sim.setInputs({false, false, true});
    startMqtt();
    command("out/300/set", "ON", "kavtra/hall/out/300/state", "ON");  // behind the retained one
    const struct {
        const std::string& topic;
        const char *uniqueId, *command, *name, *state, *word, *payload;
    } entities[] = {
        {kGroupConfig, "kavtra_hall_group_teplitsa", "kavtra/hall/group/teplitsa/set", "Теплица", kGroupState.c_str(),
         "payload_on", "ON"},
        {kSceneConfig, "kavtra_hall_scene_vecher", "kavtra/hall/scene/vecher/set", "Вечер", "", "payload_on", "ON"},
        {kUndoConfig, "kavtra_hall_undo", "kavtra/hall/undo/set", "Отменить", "", "payload_press", "PRESS"},
        {kInputConfig, "kavtra_hall_in3", "", "Дверь", "kavtra/hall/in/3/state", "payload_on", "ON"},
    };
    ASSERT_TRUE(eventually([&] { return watcher.last(kInputConfig) && watcher.last("kavtra/hall/in/3/state"); }));
    for (const auto& e : entities) {
        const QJsonObject config = json(e.topic);
        EXPECT_EQ(config["unique_id"].toString(), e.uniqueId);
        EXPECT_EQ(config["command_topic"].toString(), e.command);
        EXPECT_EQ(config["name"].toString(), QString::fromUtf8(e.name));
        EXPECT_EQ(config["state_topic"].toString(), e.state);
        EXPECT_EQ(config[e.word].toString(), e.payload);
        EXPECT_EQ(config["availability_topic"].toString(), "kavtra/hall/status");
        EXPECT_EQ(config["device"].toObject()["identifiers"].toArray(), QJsonArray{"kavtra_hall"});
    }
    EXPECT_EQ(watcher.last(kGroupState), "OFF");
    EXPECT_EQ(watcher.last("kavtra/hall/in/3/state"), "ON");
    EXPECT_FALSE(latchedOn(1));
    EXPECT_NE(captured.text().find("(retained) команда в kavtra/hall/group/teplitsa/set"), std::string::npos);
}

TEST_F(MqttRulesTest, AGroupSwitchesInOneTransferAndItsStateFollowsItsOutputs) {
    startMqtt();
    ASSERT_TRUE(eventually([&] { return watcher.last(kGroupState) == "OFF"; }));
    const auto before = transfers();
    command("group/teplitsa/set", "ON", kGroupState, "ON");
    EXPECT_EQ(transfers() - before, 1u);
    for (const int n : {1, 2, 3, 4}) EXPECT_EQ(latchedOn(n) && saved(n) == "0", n < 4) << n;
    command("out/2/set", "OFF", kGroupState, "OFF");
    command("out/9/set", "ON", "kavtra/hall/out/9/state", "ON");
    command("group/teplitsa/set", "TOGGLE", kGroupState, "ON");  // not all on: all on
    command("group/teplitsa/set", "OFF", kGroupState, "OFF");
    EXPECT_EQ(watcher.count(kGroupState), 5u);  // at connecting, then at each change only
}

TEST_F(MqttRulesTest, ASceneIsRecalledInOneTransferAndUndone) {
    engine.set({{1, true}}, Source::Window);
    startMqtt();
    const auto before = transfers();
    command("scene/vecher/set", "ON", "kavtra/hall/out/5/state", "ON");
    EXPECT_EQ(transfers() - before, 1u);
    EXPECT_TRUE(latchedOn(4) && latchedOn(5) && !latchedOn(1));
    command("undo/set", "PRESS", "kavtra/hall/out/5/state", "OFF");
    EXPECT_TRUE(!latchedOn(4) && !latchedOn(5) && latchedOn(1) && saved(1) == "0");
}

TEST_F(MqttRulesTest, AReloadRemovesWhatIsGoneAndAnnouncesWhatIsNew) {
    startMqtt();
    ASSERT_TRUE(eventually(
        [&] { return watcher.last(kSceneConfig) && watcher.last(kGroupState) && watcher.last(kInputConfig); }));
    useRules("[Group Сад]\nOutputs=7\n");
    EXPECT_FALSE(plant.inputs.watching());  // no input named now
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/group/sad/state") == "OFF"; }));
    for (const std::string& removed : {kGroupConfig, kGroupState, kSceneConfig, kInputConfig})
        EXPECT_EQ(watcher.last(removed), "") << removed;
    EXPECT_EQ(json("homeassistant/switch/hall/group_sad/config")["unique_id"].toString(), "kavtra_hall_group_sad");
    // What the broker keeps: 300 outputs with the sensors of their switches
    // and time on (no energy without a power), the new group and undo,
    // nothing old.
    test::MqttTestClient late(broker.port(), "late");
    late.subscribe("homeassistant/+/hall/+/config");
    late.subscribe("kavtra/hall/group/#");
    ASSERT_TRUE(eventually([&] { return late.count("") == 903; }));
    EXPECT_EQ(late.count("homeassistant/switch/hall/group_sad/") + late.count("kavtra/hall/group/sad/"), 2u);
}

TEST_F(MqttRulesTest, SequencesAndRulesAreSwitchesThatStartStopAndSwitchThem) {
    useRules("[Sequence Полив]\nSteps=set 6=on for 1h; set 6=off\n[Rule Свет]\nWhen=output 1 on\nDo=set 8=on\n");
    startMqtt();
    const std::string sequence = "kavtra/hall/sequence/poliv/state";
    const std::string rule = "kavtra/hall/rule/svet/state";
    ASSERT_TRUE(eventually([&] { return watcher.last(sequence) == "OFF" && watcher.last(rule) == "ON"; }));
    EXPECT_EQ(json("homeassistant/switch/hall/sequence_poliv/config")["command_topic"].toString(),
              "kavtra/hall/sequence/poliv/set");
    EXPECT_EQ(json("homeassistant/switch/hall/rule_svet/config")["unique_id"].toString(), "kavtra_hall_rule_svet");
    command("sequence/poliv/set", "ON", sequence, "ON");
    EXPECT_TRUE(latchedOn(6));
    command("sequence/poliv/set", "OFF", sequence, "OFF");
    command("rule/svet/set", "OFF", rule, "OFF");
    EXPECT_FALSE(rules.rules().automationRules.front().enabled);
}

TEST_F(MqttRulesTest, ABurstOfCommandsIsAppliedInFewTransfers) {
    startMqtt();
    // The burst after the start's announcements, the last of which is the
    // inputs': a slow machine would otherwise take the commands between them.
    ASSERT_TRUE(eventually([&] { return watcher.last("homeassistant/binary_sensor/hall/in5/config").has_value(); }));
    const auto before = transfers();
    for (int n = 1; n <= 50; ++n) watcher.send("kavtra/hall/out/" + std::to_string(n) + "/set", "ON");
    // The main thread busy meanwhile, as in a long step: however slowly the
    // machine delivers them, the commands wait in its event queue together.
    QThread::msleep(300);
    ASSERT_TRUE(eventually([&] { return watcher.count("kavtra/hall/out/50/state") == 2; }));
    EXPECT_LE(transfers() - before, 5u);
    for (int n = 1; n <= 51; ++n) EXPECT_EQ(latchedOn(n) && saved(n) == "0", n <= 50) << n;
}

}  // namespace
}  // namespace kavtra
