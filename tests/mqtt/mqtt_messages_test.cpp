#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <string>
#include <vector>

#include "mqtt/commands.h"
#include "mqtt/discovery.h"
#include "mqtt/topics.h"

namespace kavtra {
namespace {

const Topics topics("kavtra", "hall", "homeassistant");

TEST(MqttTopics, NamesEveryTopicFromBaseNodeAndPrefix) {
    const Topics nested("home/relays", "pc_2", "ha");
    EXPECT_EQ(nested.status(), "home/relays/pc_2/status");
    EXPECT_EQ(nested.state(7), "home/relays/pc_2/out/7/state");
    EXPECT_EQ(nested.name(300), "home/relays/pc_2/out/300/name");
    EXPECT_EQ(nested.command(12), "home/relays/pc_2/out/12/set");
    EXPECT_EQ(nested.commandFilter(), "home/relays/pc_2/out/+/set");
    EXPECT_EQ(nested.batch(), "home/relays/pc_2/set");
    EXPECT_EQ(nested.discovery(1), "ha/switch/pc_2/out1/config");
    EXPECT_EQ(nested.homeAssistantStatus(), "ha/status");
    EXPECT_EQ(nested.uniqueId(42), "kavtra_pc_2_out42");
}

TEST(MqttTopics, ClassifiesReceivedTopics) {
    using K = Topics::Kind;
    const struct {
        const char* topic;
        K kind;
        int output;
    } cases[] = {
        {"kavtra/hall/out/1/set", K::Output, 1},
        {"kavtra/hall/out/300/set", K::Output, 300},
        {"kavtra/hall/set", K::Batch, 0},
        {"homeassistant/status", K::HomeAssistant, 0},
        {"kavtra/hall/out/0/set", K::BadOutput, 0},
        {"kavtra/hall/out/301/set", K::BadOutput, 0},
        {"kavtra/hall/out/007/set", K::BadOutput, 0},
        {"kavtra/hall/out/-1/set", K::BadOutput, 0},
        {"kavtra/hall/out/x/set", K::BadOutput, 0},
        {"kavtra/hall/out//set", K::BadOutput, 0},
        {"kavtra/hall/out/7/state", K::Other, 0},
        {"kavtra/kitchen/out/7/set", K::Other, 0},
        {"kavtra/hall/out/7/set/x", K::Other, 0},
        {"kavtra/hallway/set", K::Other, 0},
    };
    for (const auto& c : cases) {
        const Topics::Incoming incoming = topics.classify(c.topic);
        EXPECT_EQ(incoming.kind, c.kind) << c.topic;
        EXPECT_EQ(incoming.output, c.output) << c.topic;
    }
}

TEST(MqttCommands, ValidatesUtf8) {
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {"ON", true},
        {"Вывод 1", true},
        {"\xF0\x9F\x92\xA1", true},      // U+1F4A1
        {std::string("a\0b", 3), true},  // NUL is a character; the word check refuses it
        {"\xC0\xAF", false},             // overlong '/'
        {"\xED\xA0\x80", false},         // surrogate
        {"\xF4\x90\x80\x80", false},     // beyond U+10FFFF
        {"\xD0", false},                 // cut short
        {"\x80", false},                 // lone continuation
        {"\xFF", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isValidUtf8(c.text), c.valid) << c.text;
}

TEST(MqttCommands, ReadsTheWordsOfOneOutput) {
    EXPECT_EQ(parseOutputCommand(7, "ON").commands.at(0).action, Switch::On);
    EXPECT_EQ(parseOutputCommand(7, "OFF").commands.at(0).action, Switch::Off);
    const ParsedCommand toggle = parseOutputCommand(300, "TOGGLE");
    ASSERT_EQ(toggle.commands.size(), 1u);
    EXPECT_EQ(toggle.commands[0].output, 300);
    EXPECT_EQ(toggle.commands[0].action, Switch::Toggle);
    EXPECT_TRUE(toggle.rejection.empty());
}

TEST(MqttCommands, ReadsABatch) {
    const ParsedCommand parsed = parseBatchCommand(R"({"12":"ON","13":"OFF", "300" : "TOGGLE"})");
    ASSERT_TRUE(parsed.rejection.empty()) << parsed.rejection;
    ASSERT_EQ(parsed.commands.size(), 3u);
    std::vector<std::pair<int, Switch>> got;
    for (const OutputCommand& c : parsed.commands) got.emplace_back(c.output, c.action);
    EXPECT_EQ(got, (std::vector<std::pair<int, Switch>>{{12, Switch::On}, {13, Switch::Off}, {300, Switch::Toggle}}));
}

TEST(MqttCommands, RefusesBadPayloadsWithAReason) {
    const std::string big = "{\"1\":\"ON\"" + std::string(kLargestCommand, ' ') + "}";
    const struct {
        bool batch;
        std::string payload;
        const char* reasonPart;
    } cases[] = {
        {false, "on", "неизвестная команда"},
        {false, "ON ", "неизвестная команда"},
        {false, "", "неизвестная команда"},
        {false, std::string("ON\0", 3), "неизвестная команда"},
        {false, "\xC0\xAF", "UTF-8"},
        {false, std::string(kLargestCommand + 1, 'O'), "длиннее 4096"},
        {true, big, "длиннее 4096"},
        {true, "{\"1\":\"O\xFF\"}", "UTF-8"},
        {true, "{\"1\":\"ON\"", "неверный JSON"},
        {true, "[\"ON\"]", "объект JSON"},
        {true, "\"ON\"", "неверный JSON"},
        {true, "{}", "пустой"},
        {true, R"({"12":"ON","301":"OFF"})", "301"},
        {true, R"({"0":"ON"})", "не от 1 до 300"},
        {true, R"({"012":"ON"})", "не от 1 до 300"},
        {true, R"({"12":"ON","13":"DIM"})", "для вывода 13"},
        {true, R"({"12":true})", "для вывода 12"},
    };
    for (const auto& c : cases) {
        const ParsedCommand parsed = c.batch ? parseBatchCommand(c.payload) : parseOutputCommand(1, c.payload);
        EXPECT_TRUE(parsed.commands.empty()) << c.payload;
        EXPECT_NE(parsed.rejection.find(c.reasonPart), std::string::npos) << c.payload << " -> " << parsed.rejection;
    }
}

TEST(MqttDiscovery, DescribesOneSwitchOfTheDevice) {
    const QJsonObject config =
        QJsonDocument::fromJson(QByteArray::fromStdString(discoveryConfig(topics, 7, "Насос"))).object();
    EXPECT_EQ(config["name"].toString(), QStringLiteral("Насос"));
    EXPECT_EQ(config["unique_id"].toString(), "kavtra_hall_out7");
    EXPECT_EQ(config["command_topic"].toString(), "kavtra/hall/out/7/set");
    EXPECT_EQ(config["state_topic"].toString(), "kavtra/hall/out/7/state");
    EXPECT_EQ(config["availability_topic"].toString(), "kavtra/hall/status");
    EXPECT_EQ(config["payload_on"].toString(), "ON");
    EXPECT_EQ(config["payload_off"].toString(), "OFF");
    const QJsonObject device = config["device"].toObject();
    EXPECT_EQ(device["identifiers"].toArray(), QJsonArray{"kavtra_hall"});
    EXPECT_EQ(device["name"].toString(), QStringLiteral("Кавтра hall"));
    EXPECT_FALSE(device["sw_version"].toString().isEmpty());
    EXPECT_FALSE(config["origin"].toObject()["name"].toString().isEmpty());
}

TEST(MqttDiscovery, NamesAnUnnamedOutputAfterItsNumber) {
    const QJsonObject config =
        QJsonDocument::fromJson(QByteArray::fromStdString(discoveryConfig(topics, 12, ""))).object();
    EXPECT_EQ(config["name"].toString(), QStringLiteral("Вывод 12"));
    EXPECT_EQ(config["unique_id"].toString(), "kavtra_hall_out12");
}

}  // namespace
}  // namespace kavtra
