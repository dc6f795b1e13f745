#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/program_mqtt.h"
#include "mqtt/mqtt_bridge.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"
#ifdef _WIN32
#include "tests/support/windows_root.h"
#endif

namespace kavtra {
namespace {

using test::eventually;

// Outputs as the engine keeps them: every step tells the bridge what it set.
// A toggle turns an output that is off on, as the engine's does for the two
// codes these outputs have.
struct FakeOutputs : OutputAccess {
    bool isOn(int output) const override { return on.at(output - 1); }
    std::string name(int output) const override { return names.at(output - 1); }
    void apply(const Command& command, std::function<void(const Reply&)> answer) override {
        std::vector<std::pair<int, bool>> outputsOn;
        for (const auto& [target, action] : std::get<SetCommand>(command).outputs)
            outputsOn.emplace_back(target.output,
                                   action == Switch::Toggle ? !isOn(target.output) : action == Switch::On);
        set(outputsOn);
        answer({});
    }
    void set(const std::vector<std::pair<int, bool>>& outputsOn) {
        steps.push_back(outputsOn);
        std::vector<int> touched;
        for (const auto& [output, value] : outputsOn) {
            on.at(output - 1) = value;
            touched.push_back(output);
        }
        if (bridge) bridge->outputsChanged(touched, {});
    }
    std::array<bool, 300> on{};
    std::array<std::string, 300> names;
    std::vector<std::vector<std::pair<int, bool>>> steps;
    MqttBridge* bridge = nullptr;
};

SessionTiming quickTiming() {
    SessionTiming timing;
    timing.announceDelayMin = std::chrono::milliseconds(10);
    timing.announceDelayMax = std::chrono::milliseconds(50);
    timing.firstRetry = std::chrono::milliseconds(50);
    timing.longestRetry = std::chrono::milliseconds(200);
    return timing;
}

// One program copy's MQTT side over fake outputs.
struct Copy {
    Copy(MqttSettings settings) {
        for (int n = 1; n <= 300; ++n) outputs.names[n - 1] = "Вывод " + std::to_string(n);
        bridge = std::make_unique<MqttBridge>(std::move(settings), outputs, quickTiming());
        outputs.bridge = bridge.get();
        QObject::connect(bridge.get(), &MqttBridge::statusChanged, [this](const QString& text, bool isConnected) {
            statuses.push_back(text.toStdString());
            connected = isConnected;
        });
    }
    bool statusContains(const std::string& part) const {
        for (const std::string& s : statuses)
            if (s.find(part) != std::string::npos) return true;
        return false;
    }
    FakeOutputs outputs;
    std::unique_ptr<MqttBridge> bridge;
    std::vector<std::string> statuses;
    bool connected = false;
};

int lineCount(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

struct MqttBrokerTest : ::testing::Test {
    MqttSettings settings(const std::string& node = "hall") const {
        MqttSettings s;
        s.host = "127.0.0.1";
        s.port = broker.port();
        s.node = node;
        return s;
    }
    // A copy started and connected, with its first publication seen by `watcher`.
    std::unique_ptr<Copy> startCopy(const std::string& node = "hall") {
        auto copy = std::make_unique<Copy>(settings(node));
        copy->bridge->start();
        EXPECT_TRUE(eventually([&] { return watcher.count("kavtra/" + node + "/out/") >= 600; }));
        EXPECT_TRUE(copy->connected);
        return copy;
    }
    test::ScratchDir scratch;
    test::MosquittoBroker broker{scratch.path};
    test::MqttTestClient watcher{broker.port(), "watcher"};
    MqttBrokerTest() { watcher.subscribe("#"); }
};

TEST_F(MqttBrokerTest, AfterConnectingEveryOutputIsPublishedRetained) {
    auto copy = std::make_unique<Copy>(settings());
    copy->outputs.on[6] = true;
    copy->outputs.names[6] = "Насос";
    copy->bridge->start();
    ASSERT_TRUE(eventually([&] {
        return watcher.count("homeassistant/switch/hall/") == 300 && watcher.count("kavtra/hall/out/") == 600;
    }));
    EXPECT_EQ(watcher.last("kavtra/hall/status"), "online");
    EXPECT_EQ(watcher.last("kavtra/hall/out/7/state"), "ON");
    EXPECT_EQ(watcher.last("kavtra/hall/out/8/state"), "OFF");
    EXPECT_EQ(watcher.last("kavtra/hall/out/7/name"), "Насос");
    const QJsonObject config =
        QJsonDocument::fromJson(QByteArray::fromStdString(*watcher.last("homeassistant/switch/hall/out7/config")))
            .object();
    EXPECT_EQ(config["name"].toString(), QStringLiteral("Насос"));
    EXPECT_EQ(config["command_topic"].toString(), "kavtra/hall/out/7/set");
    EXPECT_TRUE(copy->statusContains("MQTT: подключено к 127.0.0.1:" + std::to_string(broker.port())));

    // What a client connecting later gets: everything was retained.
    test::MqttTestClient late(broker.port(), "late");
    late.subscribe("#");
    ASSERT_TRUE(eventually([&] { return late.count("") == 901; }));
    for (const auto& message : late.messages()) EXPECT_TRUE(message.retained) << message.topic;
}

TEST_F(MqttBrokerTest, CommandsSwitchInOneStepAndTheNewStateIsPublished) {
    auto copy = startCopy();
    watcher.publish("kavtra/hall/out/7/set", "ON");
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/7/state") == "ON"; }));
    watcher.publish("kavtra/hall/set", R"({"12":"ON","13":"OFF","7":"TOGGLE"})");
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/12/state") == "ON"; }));
    ASSERT_EQ(copy->outputs.steps.size(), 2u);
    EXPECT_EQ(copy->outputs.steps[0], (std::vector<std::pair<int, bool>>{{7, true}}));
    // One step for the whole batch; TOGGLE takes the state it finds then.
    EXPECT_EQ(copy->outputs.steps[1], (std::vector<std::pair<int, bool>>{{12, true}, {13, false}, {7, false}}));
    EXPECT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/7/state") == "OFF"; }));
}

TEST_F(MqttBrokerTest, BadAndRetainedCommandsChangeNothingAndLogOneLineEach) {
    // Left on the broker before the program connects: it comes back with the
    // retain flag on subscribing and must not switch anything.
    watcher.publish("kavtra/hall/out/5/set", "ON", true);
    test::StderrCapture captured(scratch);
    auto copy = startCopy();
    const struct {
        const char* topic;
        std::string payload;
    } bad[] = {
        {"kavtra/hall/out/7/set", "on"},
        {"kavtra/hall/out/7/set", "DIM"},
        {"kavtra/hall/out/0/set", "ON"},
        {"kavtra/hall/out/301/set", "ON"},
        {"kavtra/hall/out/7/set", std::string(5000, 'O')},
        {"kavtra/hall/set", "{\"7\":\"ON\"" + std::string(100000, ' ') + "}"},
        {"kavtra/hall/out/7/set", "\xC0\xAF"},
        {"kavtra/hall/set", "{\"7\":"},
        {"kavtra/hall/set", R"({"7":"ON","400":"ON"})"},
        {"kavtra/hall/set", "{\"7\":\"\xFF\"}"},
    };
    for (const auto& c : bad) watcher.publish(c.topic, c.payload);
    // A good command behind them shows that they have all been handled.
    watcher.publish("kavtra/hall/out/9/set", "ON");
    ASSERT_TRUE(eventually([&] { return !copy->outputs.steps.empty(); }));
    const std::string log = captured.text();
    EXPECT_EQ(copy->outputs.steps, (std::vector<std::vector<std::pair<int, bool>>>{{{9, true}}}));
    EXPECT_EQ(lineCount(log, "retained"), 1) << log;
    EXPECT_EQ(lineCount(log, "пропущена"), 1 + static_cast<int>(std::size(bad))) << log;
    EXPECT_EQ(watcher.last("kavtra/hall/out/5/state"), "OFF");
}

TEST_F(MqttBrokerTest, ARenamePublishesTheNameAndADiscoveryConfig) {
    auto copy = startCopy();
    copy->outputs.names[2] = "Свет в зале";
    copy->bridge->outputsChanged({}, {3});
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/3/name") == "Свет в зале"; }));
    ASSERT_TRUE(eventually([&] { return watcher.count("homeassistant/switch/hall/out3/") == 2; }));
    const QJsonObject config =
        QJsonDocument::fromJson(QByteArray::fromStdString(*watcher.last("homeassistant/switch/hall/out3/config")))
            .object();
    EXPECT_EQ(config["name"].toString(), QStringLiteral("Свет в зале"));
    EXPECT_EQ(config["unique_id"].toString(), "kavtra_hall_out3");
}

TEST_F(MqttBrokerTest, OutputsLeftOutOfTheChoiceAreRemovedFromHomeAssistant) {
    startCopy().reset();
    MqttSettings s = settings();
    s.outputs = *parseOutputChoice("named").value;
    Copy copy(s);
    copy.outputs.names[6] = "Насос";
    watcher.clear();
    copy.bridge->start();
    ASSERT_TRUE(eventually([&] { return watcher.count("homeassistant/switch/hall/") == 300; }));
    EXPECT_EQ(watcher.last("homeassistant/switch/hall/out8/config"), "");
    EXPECT_NE(watcher.last("homeassistant/switch/hall/out7/config"), "");
    // A rename takes an output in.
    copy.outputs.names[7] = "Свет";
    copy.bridge->outputsChanged({}, {8});
    ASSERT_TRUE(eventually([&] { return watcher.last("homeassistant/switch/hall/out8/config") != ""; }));
}

// What "MQTT" writes, the running program follows: the same settings keep
// the link, others replace it (the old one says "offline"), no host ends it.
TEST_F(MqttBrokerTest, TheProgramFollowsTheSettingsAsTheWindowsDialogWritesThem) {
    const test::ScopedEnv simulated("KAVTRA_PORT", "sim");
    Program program(scratch.path.string(), [](const PortFailure&) { ADD_FAILURE() << "the port failed"; });
    const auto write = [&](const char* key, const std::string& value) {
        program.plant.config.WritePrivateINIString("MQTT", key, value);
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

    write("Node", "yard");
    write("Outputs", "named");
    mqtt.followConfig();
    ASSERT_TRUE(eventually([&] { return watcher.last("homeassistant/switch/yard/out300/config") == ""; }));
    EXPECT_EQ(watcher.last("kavtra/hall/status"), "offline");
    write("Host", "");
    mqtt.followConfig();
    EXPECT_EQ(said.last().first().toString() + mqtt.status(), "");
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/yard/status") == "offline"; }));
}

TEST_F(MqttBrokerTest, HomeAssistantStartingGetsTheDiscoveryConfigsAgain) {
    auto copy = startCopy();
    watcher.clear();
    watcher.publish("homeassistant/status", "online");
    ASSERT_TRUE(eventually([&] { return watcher.count("homeassistant/switch/hall/") == 300; }));
    EXPECT_EQ(watcher.count("kavtra/"), 0u);
}

TEST_F(MqttBrokerTest, WithoutDiscoveryNoConfigIsPublished) {
    MqttSettings s = settings();
    s.discovery = false;
    Copy copy(s);
    copy.bridge->start();
    ASSERT_TRUE(eventually([&] { return watcher.count("kavtra/hall/out/") == 600; }));
    watcher.publish("homeassistant/status", "online");
    watcher.publish("kavtra/hall/out/1/set", "ON");
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/out/1/state") == "ON"; }));
    EXPECT_EQ(watcher.count("homeassistant/switch/"), 0u);
}

TEST_F(MqttBrokerTest, ABrokerThatComesBackGetsEverythingAgain) {
    test::StderrCapture captured(scratch);
    auto copy = startCopy();
    broker.kill();
    ASSERT_TRUE(eventually([&] { return !copy->connected; }));
    // Changes while the broker is away reach it once it is back.
    copy->outputs.set({{20, true}});
    QThread::msleep(500);  // several failed attempts
    broker.start();
    test::MqttTestClient after(broker.port(), "after");
    after.subscribe("#");
    ASSERT_TRUE(eventually([&] { return after.count("kavtra/hall/out/") >= 600; }, 10000));
    EXPECT_TRUE(copy->connected);
    EXPECT_EQ(after.last("kavtra/hall/out/20/state"), "ON");
    EXPECT_EQ(after.last("kavtra/hall/status"), "online");
    EXPECT_EQ(after.count("homeassistant/switch/hall/"), 300u);
    const std::string log = captured.text();
    EXPECT_EQ(lineCount(log, "нет связи с 127.0.0.1"), 1) << log;
    EXPECT_EQ(lineCount(log, "восстановлена"), 1) << log;
}

TEST_F(MqttBrokerTest, TwoCopiesWithTheirOwnNodesDoNotDisturbEachOther) {
    auto hall = startCopy("hall");
    auto yard = startCopy("yard");
    watcher.publish("kavtra/yard/out/4/set", "ON");
    watcher.publish("kavtra/hall/set", R"({"5":"ON"})");
    ASSERT_TRUE(eventually([&] {
        return watcher.last("kavtra/yard/out/4/state") == "ON" && watcher.last("kavtra/hall/out/5/state") == "ON";
    }));
    EXPECT_EQ(hall->outputs.steps, (std::vector<std::vector<std::pair<int, bool>>>{{{5, true}}}));
    EXPECT_EQ(yard->outputs.steps, (std::vector<std::vector<std::pair<int, bool>>>{{{4, true}}}));
    EXPECT_EQ(watcher.count("homeassistant/switch/yard/"), 300u);
    EXPECT_TRUE(hall->connected);
    EXPECT_TRUE(yard->connected);
}

TEST_F(MqttBrokerTest, ARefusedLoginIsReportedOnceAndALoginWithThePasswordWorks) {
    MqttSettings s = settings();
    s.port = broker.securePort();
    s.user = test::MosquittoBroker::kUser;
    s.password = "wrong";
    test::StderrCapture captured(scratch);
    {
        Copy refused(s);
        refused.bridge->start();
        ASSERT_TRUE(eventually([&] { return refused.statusContains("отказал во входе"); }));
        // The retries, each failure handled as it comes: never connected,
        // reported once.
        EXPECT_FALSE(eventually([&] { return refused.connected; }, 400));
    }
    const std::string log = captured.text();
    EXPECT_EQ(lineCount(log, "kavtra: MQTT: брокер 127.0.0.1:" + std::to_string(s.port) + " отказал во входе"), 1)
        << log;
    EXPECT_EQ(lineCount(log, "нет связи"), 0) << log;

    s.password = test::MosquittoBroker::kPassword;
    Copy allowed(s);
    allowed.bridge->start();
    ASSERT_TRUE(eventually([&] { return allowed.connected; }));
}

TEST_F(MqttBrokerTest, TlsConnectsWhenTheCertificateIsTrustedOnly) {
    MqttSettings s = settings();
    s.port = broker.tlsPort();
    s.tls = true;
    s.caFile = broker.certificateFile();
    Copy trusting(s);
    trusting.bridge->start();
    ASSERT_TRUE(eventually([&] { return watcher.count("kavtra/hall/out/") == 600; }));
    EXPECT_TRUE(trusting.connected);

    s.node = "yard";
    s.caFile.clear();  // the system's authorities do not know the test's certificate
    test::StderrCapture captured(scratch);
    {
        Copy doubting(s);
        doubting.bridge->start();
        ASSERT_TRUE(eventually([&] { return doubting.statusContains("нет связи"); }));
        EXPECT_FALSE(doubting.connected);
        // The session's line for standard error is posted just after its
        // status; a copy gone before it arrives would drop it.
        QTest::qWait(100);
    }
    EXPECT_EQ(lineCount(captured.text(), "нет связи с 127.0.0.1"), 1);
    EXPECT_EQ(watcher.count("kavtra/yard/"), 0u);

    s.caFile = (scratch.path / "missing.pem").string();
    Copy misconfigured(s);
    misconfigured.bridge->start();
    EXPECT_TRUE(eventually([&] { return misconfigured.statusContains("не удаётся прочитать файл " + s.caFile); }));
}

#ifdef _WIN32
TEST_F(MqttBrokerTest, WithoutCaFileWindowsTrustsTheAuthoritiesOfItsOwnStore) {
    MqttSettings s = settings();
    s.port = broker.tlsPort();
    s.tls = true;
    test::TrustedRoot trusted(broker.certificateFile());
    Copy trusting(s);
    trusting.bridge->start();
    ASSERT_TRUE(eventually([&] { return watcher.count("kavtra/hall/out/") == 600; }));
    EXPECT_TRUE(trusting.connected);

    // The certificate names 127.0.0.1, not this name of the same broker.
    s.host = "localhost";
    s.node = "yard";
    Copy misnamed(s);
    misnamed.bridge->start();
    ASSERT_TRUE(eventually([&] { return misnamed.statusContains("нет связи с localhost:"); }));
    EXPECT_TRUE(misnamed.statusContains("ошибка TLS"));
    EXPECT_EQ(watcher.count("kavtra/yard/"), 0u);
}
#endif

TEST_F(MqttBrokerTest, LeavingSaysOfflineAndAnUnreachableBrokerDoesNotHoldTheExit) {
    auto copy = startCopy();
    copy->bridge->shutdown(std::chrono::milliseconds(2000));
    ASSERT_TRUE(eventually([&] { return watcher.last("kavtra/hall/status") == "offline"; }));

    broker.kill();
    MqttSettings s = settings("yard");
    Copy unreachable(s);
    unreachable.bridge->start();
    ASSERT_TRUE(eventually([&] { return unreachable.statusContains("нет связи"); }));
    QElapsedTimer timer;
    timer.start();
    unreachable.bridge->shutdown(std::chrono::milliseconds(2000));
    EXPECT_LT(timer.elapsed(), 500);
}

}  // namespace
}  // namespace kavtra
