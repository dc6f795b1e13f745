#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "mqtt/mqtt_settings.h"
#include "persist/profile/cls_ini.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

struct MqttSettingsTest : ::testing::Test {
    MqttSettingsReading read(const std::string& section) {
        std::ofstream(scratch.path / "config.ini") << "[Configs]\nValLoad=3\n[MQTT]\n" << section;
        return readMqttSettings(ini, "Kavtra-PC.local");
    }
    test::ScratchDir scratch;
    const clsINI ini{(scratch.path / "config.ini").string()};
};

TEST_F(MqttSettingsTest, WithoutAHostNothingRunsAndNothingIsWritten) {
    const MqttSettingsReading reading = readMqttSettings(ini, "pc");
    EXPECT_FALSE(reading.enabled);
    EXPECT_TRUE(reading.problem.empty());
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path));
    EXPECT_FALSE(read("Host=\nPort=1884\n").enabled);
}

TEST_F(MqttSettingsTest, DefaultsBesideTheHost) {
    const MqttSettingsReading reading = read("Host = broker.lan\n");
    ASSERT_TRUE(reading.enabled) << reading.problem;
    const MqttSettings& s = reading.settings;
    EXPECT_EQ(s.host, "broker.lan");
    EXPECT_EQ(s.port, 1883);
    EXPECT_EQ(s.user, "");
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.node, "kavtra_pc_local");
    EXPECT_EQ(s.baseTopic, "kavtra");
    EXPECT_TRUE(s.discovery);
    EXPECT_EQ(s.discoveryPrefix, "homeassistant");
    EXPECT_FALSE(s.tls);
    EXPECT_EQ(s.caFile, "");
}

TEST_F(MqttSettingsTest, ReadsEveryKey) {
    const MqttSettingsReading reading = read(
        "host=10.0.0.2\nPort=8883\nUser=ha\nPassword=p w\nNode=Hall-2\nBaseTopic=home/kavtra\n"
        "Discovery=0\nDiscoveryPrefix=ha\nTLS=1\nCAFile=/etc/ca.pem\n");
    ASSERT_TRUE(reading.enabled) << reading.problem;
    const MqttSettings& s = reading.settings;
    EXPECT_EQ(s.host, "10.0.0.2");
    EXPECT_EQ(s.port, 8883);
    EXPECT_EQ(s.user, "ha");
    EXPECT_EQ(s.password, "p w");
    EXPECT_EQ(s.node, "hall_2");
    EXPECT_EQ(s.baseTopic, "home/kavtra");
    EXPECT_FALSE(s.discovery);
    EXPECT_EQ(s.discoveryPrefix, "ha");
    EXPECT_TRUE(s.tls);
    EXPECT_EQ(s.caFile, "/etc/ca.pem");
}

TEST_F(MqttSettingsTest, AValueThatCannotServeKeepsMqttOffAndSaysWhy) {
    const struct {
        const char* section;
        const char* key;
    } cases[] = {
        {"Port=0\n", "Port"},
        {"Port=65536\n", "Port"},
        {"Port=18x\n", "Port"},
        {"BaseTopic=\n", "BaseTopic"},
        {"BaseTopic=a/#\n", "BaseTopic"},
        {"BaseTopic=/k\n", "BaseTopic"},
        {"Discovery=yes\n", "Discovery"},
        {"DiscoveryPrefix=ha/\n", "DiscoveryPrefix"},
        {"TLS=2\n", "TLS"},
        {"Outputs=1-301\n", "Outputs"},
        {"Outputs=@Сад\n", "Outputs"},
    };
    for (const auto& c : cases) {
        const MqttSettingsReading reading = read(std::string("Host=b\n") + c.section);
        EXPECT_FALSE(reading.enabled) << c.section;
        EXPECT_NE(reading.problem.find(c.key), std::string::npos) << reading.problem;
    }
}

TEST(MqttNodeName, IsReducedToLowerLettersDigitsAndUnderscores) {
    EXPECT_EQ(reducedNodeName("Kavtra-PC_01.local"), "kavtra_pc_01_local");
    EXPECT_EQ(reducedNodeName("hall"), "hall");
    EXPECT_EQ(reducedNodeName("Зал 2"), "____2");
    EXPECT_EQ(reducedNodeName(""), "");
}

}  // namespace
}  // namespace kavtra
