#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <string>
#include <vector>

#include "mqtt/commands.h"
#include "mqtt/discovery.h"
#include "mqtt/slug.h"
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
    EXPECT_EQ(nested.inputState(3), "home/relays/pc_2/in/3/state");
    EXPECT_EQ(nested.inputDiscovery(5), "ha/binary_sensor/pc_2/in5/config");
    EXPECT_EQ(nested.inputUniqueId(1), "kavtra_pc_2_in1");
    EXPECT_EQ(nested.counter(7, "energy"), "home/relays/pc_2/out/7/energy");
    EXPECT_EQ(nested.counterDiscovery(7, "seconds"), "ha/sensor/pc_2/out7_seconds/config");
    EXPECT_EQ(nested.counterUniqueId(7, "switches"), "kavtra_pc_2_out7_switches");
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
        {"kavtra/hall/out/007/set", K::Output, 7},
        {"kavtra/hall/out/-1/set", K::BadOutput, 0},
        {"kavtra/hall/out/x/set", K::BadOutput, 0},
        {"kavtra/hall/out//set", K::BadOutput, 0},
        {"kavtra/hall/out/7/state", K::Other, 0},
        {"kavtra/kitchen/out/7/set", K::Other, 0},
        {"kavtra/hall/out/7/set/x", K::Other, 0},
        {"kavtra/hallway/set", K::Other, 0},
        {"kavtra/hall/group/sad/set", K::Group, 0},
        {"kavtra/hall/scene/vecher/set", K::Scene, 0},
        {"kavtra/hall/undo/set", K::Undo, 0},
        {"kavtra/hall/group//set", K::Other, 0},
        {"kavtra/hall/group/a/b/set", K::Other, 0},
        {"kavtra/hall/group/sad/state", K::Other, 0},
        {"kavtra/hall/sequence/poliv/set", K::Sequence, 0},
        {"kavtra/hall/rule/svet/set", K::Rule, 0},
    };
    for (const auto& c : cases) {
        const Topics::Incoming incoming = topics.classify(c.topic);
        EXPECT_EQ(incoming.kind, c.kind) << c.topic;
        EXPECT_EQ(incoming.output, c.output) << c.topic;
    }
    EXPECT_EQ(topics.classify("kavtra/hall/group/sad/set").slug, "sad");
}

TEST(MqttCommands, ReadsTheWordsOfOneOutput) {
    const auto one = [](int output, Switch action) { return Command(SetCommand{{{output, action}}}); };
    EXPECT_EQ(parseOutputCommand(7, "ON").value, one(7, Switch::On));
    EXPECT_EQ(parseOutputCommand(7, "OFF").value, one(7, Switch::Off));
    EXPECT_EQ(parseOutputCommand(300, "TOGGLE").value, one(300, Switch::Toggle));
    // Home Assistant's own words, exactly.
    EXPECT_NE(parseGroupCommand("Сад", "on").error.find("ожидается ON, OFF или TOGGLE"), std::string::npos);
    EXPECT_NE(parseSceneCommand("Вечер", "OFF").error.find("ожидается ON"), std::string::npos);
    EXPECT_NE(parseUndoCommand("ON").error.find("ожидается PRESS"), std::string::npos);
}

TEST(MqttCommands, ReadsABatch) {
    const Parsed<Command> parsed = parseBatchCommand(R"({"12":"ON","13":"OFF", "300" : "TOGGLE"})");
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_EQ(*parsed.value, Command(SetCommand{{{12, Switch::On}, {13, Switch::Off}, {300, Switch::Toggle}}}));
}

TEST(MqttCommands, RefusesBadPayloadsWithAReason) {
    const std::string big = "{\"1\":\"ON\"" + std::string(kMaxRequestBytes, ' ') + "}";
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
        {false, "\xED\xA0\x80", "UTF-8"},
        {false, std::string(kMaxRequestBytes + 1, 'O'), "слишком длинная"},
        {true, big, "слишком длинная"},
        {true, "{\"1\":\"O\xFF\"}", "UTF-8"},
        {true, "{\"1\":\"ON\"", "неверный JSON"},
        {true, "[\"ON\"]", "объект JSON"},
        {true, "\"ON\"", "неверный JSON"},
        {true, "{}", "пустой"},
        {true, R"({"12":"ON","301":"OFF"})", "301"},
        {true, R"({"0":"ON"})", "от 1 до 300"},
        {true, R"({"-1":"ON"})", "от 1 до 300"},
        {true, R"({"12":"ON","13":"DIM"})", "для вывода 13"},
        {true, R"({"12":true})", "для вывода 12"},
    };
    for (const auto& c : cases) {
        const Parsed<Command> parsed = c.batch ? parseBatchCommand(c.payload) : parseOutputCommand(1, c.payload);
        EXPECT_FALSE(parsed) << c.payload;
        EXPECT_NE(parsed.error.find(c.reasonPart), std::string::npos) << c.payload << " -> " << parsed.error;
    }
}

TEST(MqttSlugs, AreLatinLowerCaseAndStayWithTheirNames) {
    const struct {
        const char* name;
        const char* slug;
    } cases[] = {
        {"Теплица", "teplitsa"}, {"Свет в зале", "svet_v_zale"}, {"Щит №2", "shchit_2"}, {"Подъезд", "podezd"},
        {"Ёлка", "elka"},        {"Garage Door", "garage_door"}, {" Café ", "caf"},      {"ЖЮЯ-ХЦЫЙ", "zhyuya_khtsyy"},
    };
    for (const auto& c : cases) EXPECT_EQ(slugOf(c.name), c.slug) << c.name;
    // The first keeps the plain slug; a later one gets a hash of its own name,
    // which stays whatever comes before it.
    EXPECT_EQ(uniqueSlugs({"Теплица", "теплица", "!!!"}),
              (std::vector<std::string>{"teplitsa", "teplitsa_b49cee", "53a722"}));
    EXPECT_EQ(uniqueSlugs({"Сад", "Теплица", "Огород", "теплица"}).back(), "teplitsa_b49cee");
}

TEST(MqttDiscovery, DescribesOneSwitchOfTheDevice) {
    const QJsonObject config =
        QJsonDocument::fromJson(QByteArray::fromStdString(discoveryConfig(topics, 7, "Насос"))).object();
    EXPECT_EQ(config["name"].toString(), QStringLiteral("Насос"));
    EXPECT_EQ(config["unique_id"].toString(), "kavtra_hall_out7");
    EXPECT_EQ(config["command_topic"].toString(), "kavtra/hall/out/7/set");
    EXPECT_EQ(config["state_topic"].toString(), "kavtra/hall/out/7/state");
    EXPECT_EQ(config["json_attributes_topic"].toString(), "kavtra/hall/out/7/attributes");
    EXPECT_EQ(outputAttributes("2026-05-01T12:20:00.000Z"), R"({"deadline":"2026-05-01T12:20:00.000Z"})");
    EXPECT_EQ(config["availability_topic"].toString(), "kavtra/hall/status");
    EXPECT_EQ(config["payload_on"].toString(), "ON");
    EXPECT_EQ(config["payload_off"].toString(), "OFF");
    const QJsonObject device = config["device"].toObject();
    EXPECT_EQ(device["identifiers"].toArray(), QJsonArray{"kavtra_hall"});
    EXPECT_EQ(device["name"].toString(), QStringLiteral("Кавтра hall"));
    EXPECT_FALSE(device["sw_version"].toString().isEmpty());
    EXPECT_FALSE(config["origin"].toObject()["name"].toString().isEmpty());
}

// What Home Assistant's energy dashboard and statistics need of each sensor.
TEST(MqttDiscovery, DescribesTheSensorsOfAnOutputsCounters) {
    const struct {
        std::string_view what;
        const char* name;
        const char* deviceClass;
        const char* unit;
    } sensors[] = {{"switches", "Насос: переключения", "", ""},
                   {"seconds", "Насос: время включения", "duration", "s"},
                   {"energy", "Насос: энергия", "energy", "kWh"}};
    for (const auto& sensor : sensors) {
        const QJsonObject config =
            QJsonDocument::fromJson(QByteArray::fromStdString(counterDiscoveryConfig(topics, 7, "Насос", sensor.what)))
                .object();
        const std::string what(sensor.what);
        EXPECT_EQ(config["name"].toString(), QString::fromUtf8(sensor.name));
        EXPECT_EQ(config["unique_id"].toString().toStdString(), "kavtra_hall_out7_" + what);
        EXPECT_EQ(config["state_topic"].toString().toStdString(), "kavtra/hall/out/7/" + what);
        EXPECT_EQ(config["state_class"].toString(), "total_increasing");
        EXPECT_EQ(config["device_class"].toString().toStdString(), sensor.deviceClass) << what;
        EXPECT_EQ(config["unit_of_measurement"].toString().toStdString(), sensor.unit) << what;
        EXPECT_EQ(config["device"].toObject()["identifiers"].toArray(), QJsonArray{"kavtra_hall"});
        EXPECT_FALSE(config.contains("command_topic"));
    }
}

TEST(MqttDiscovery, NamesAnUnnamedOutputAfterItsNumber) {
    const QJsonObject config =
        QJsonDocument::fromJson(QByteArray::fromStdString(discoveryConfig(topics, 12, ""))).object();
    EXPECT_EQ(config["name"].toString(), QStringLiteral("Вывод 12"));
    EXPECT_EQ(config["unique_id"].toString(), "kavtra_hall_out12");
}

}  // namespace
}  // namespace kavtra
