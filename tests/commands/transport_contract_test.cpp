#include <QLocalSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <sstream>
#include <string>

#include "control/command_client.h"
#include "control/command_line.h"
#include "control/command_server.h"
#include "control/single_copy.h"
#include "mqtt/engine_mqtt.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/mqtt_test_settings.h"
#include "tests/support/web_on_board.h"
#include "web/token_file.h"

namespace kavtra {
namespace {

// One request as each transport spells it, and the change it must make
// whichever carries it.
struct Contract {
    const char* name;
    std::map<int, int> codes;  // Data.dat's state codes before
    QStringList arguments;     // kavtra ...
    std::string line;          // the socket's request line
    std::string topic;         // under kavtra/hall/
    std::string payload;
    std::string web;              // method, path and body, if any
    std::map<int, bool> latched;  // afterwards
    bool changes;                 // one step (one save, one transfer), or none at all
    // The web's token's scope as --add-token writes it (empty: every output),
    // and whether the request reaches beyond it: then the web alone answers
    // 403 and changes nothing; the other transports have no tokens.
    std::string scope{};
    bool beyondScope = false;
};

const Contract kContracts[] = {
    // A stored code that is neither on nor off: the window's double click
    // turns it off, and so does every other source.
    {"ToggleOfAnOddCode",
     {{5, 5}},
     {"--toggle", "5"},
     "toggle 5",
     "out/5/set",
     "TOGGLE",
     "POST /api/toggle/5",
     {{5, false}},
     true},
    {"ToggleOfOff",
     {{6, 1}},
     {"--toggle", "6"},
     "toggle 6",
     "out/6/set",
     "TOGGLE",
     "POST /api/toggle/6",
     {{6, true}},
     true},
    {"LeadingZeros",
     {},
     {"--set", "007=off"},
     "set 007=off",
     "out/007/set",
     "OFF",
     R"(POST /api/set {"007":"off"})",
     {{7, false}},
     true},
    {"SeveralInOneStep",
     {{2, 1}},
     {"--set", "1=off", "2=on"},
     "set 1=off 2=on",
     "set",
     R"({"1":"OFF","2":"ON"})",
     R"(POST /api/set {"1":"off","2":"on"})",
     {{1, false}, {2, true}},
     true},
    {"TogglesInOneStep",
     {{5, 5}, {6, 1}},
     {"--set", "5=toggle", "6=toggle"},
     "set 5=toggle 6=toggle",
     "set",
     R"({"5":"TOGGLE","6":"TOGGLE"})",
     R"(POST /api/set {"5":"toggle","6":"toggle"})",
     {{5, false}, {6, true}},
     true},
    {"NoSuchOutput",
     {},
     {"--set", "301=off"},
     "set 301=off",
     "out/301/set",
     "OFF",
     R"(POST /api/set {"301":"off"})",
     {{1, true}},
     false},
    {"WithinAScope",
     {{2, 1}},
     {"--set", "1=off", "2=on"},
     "set 1=off 2=on",
     "set",
     R"({"1":"OFF","2":"ON"})",
     R"(POST /api/set {"1":"off","2":"on"})",
     {{1, false}, {2, true}},
     true,
     "1-2; 7"},
    {"BeyondAScope",
     {{5, 1}, {21, 1}},
     {"--set", "5=on", "21=on"},
     "set 5=on 21=on",
     "set",
     R"({"5":"ON","21":"ON"})",
     R"(POST /api/set {"5":"on","21":"on"})",
     {{5, true}, {21, true}},
     true,
     "1-20",
     true},
};

enum class Transport { CommandLine, Socket, Mqtt, Web };

// The running copy's core behind a real command socket, a real MQTT link
// to a broker of the test's own, and the web server with the program's
// limits, asked with a switch token as --add-token makes one.
class TransportContract : public ::testing::TestWithParam<std::tuple<Contract, Transport>>,
                          protected test::ServerOnBoard {
protected:
    TransportContract() : ServerOnBoard(web::ServerLimits{}) {
        const Contract& c = std::get<0>(GetParam());
        secret = web::addToken(rules.path(), "phone", AccessToken::Role::Switch, c.scope).secret;
        rules.reload();
        EXPECT_EQ(rules.rules().tokens.at(0).scope, c.scope);
        watcher.subscribe("kavtra/hall/out/300/state");
        EXPECT_TRUE(test::eventually([&] { return watcher.count("kavtra/hall/out/300/state") > 0; }));
    }

    // Carries the request; true when the transport accepted it.
    bool send(const Contract& c, Transport transport) {
        switch (transport) {
        case Transport::CommandLine: {
            std::vector<std::string> arguments = {"kavtra"};
            for (const QString& argument : c.arguments) arguments.push_back(argument.toStdString());
            const CommandLine asked = parseCommandLine(arguments);
            if (asked.action != CommandLine::Action::Send) return false;
            // The client waits for its reply as the command line does, so it
            // needs a thread of its own while this one serves the socket.
            auto status = std::async(std::launch::async, [&] {
                return sendCommand(place, *asked.command, {[](const std::string&) {}, [](const std::string&) {}});
            });
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return status.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
            return status.get() == kExitDone;
        }
        case Transport::Socket: {
            QLocalSocket socket;
            socket.connectToServer(QString::fromStdString(place.serverName));
            EXPECT_TRUE(socket.waitForConnected(2000));
            socket.write(QByteArray::fromStdString(c.line + "\n"));
            QByteArray reply;
            EXPECT_TRUE(QTest::qWaitFor([&] { return (reply += socket.readAll()).endsWith('\n'); }, 10000));
            return reply == "ok\n";
        }
        case Transport::Mqtt: {
            // MQTT answers no one: a known change sent behind the request
            // shows when the request has been handled.
            const std::uint64_t before = transfers();
            watcher.clear();
            watcher.publish("kavtra/hall/" + c.topic, c.payload);
            watcher.publish("kavtra/hall/out/300/set", "OFF");
            EXPECT_TRUE(test::eventually([&] { return watcher.last("kavtra/hall/out/300/state") == "OFF"; }));
            return transfers() - before == 2;
        }
        case Transport::Web: {
            std::istringstream words(c.web);
            std::string method, path, body;
            words >> method >> path >> std::ws;
            std::getline(words, body);
            const std::string answer = statusAndBody(call(method, path, bearer(secret), body));
            EXPECT_EQ(answer.starts_with("403 "), c.beyondScope) << answer;
            return answer == "200 {\"ok\":true}";
        }
        }
        return false;
    }

    test::MosquittoBroker broker{dir.path};
    test::MqttTestClient watcher{broker.port(), "watcher"};
    SocketPlace place = commandSocketPlace(dir.path.string());
    CommandServer server{claimSingleCopy(place).server, [this](const Command& command, CommandServer::Answer answer) {
                             core.execute({command, Source::CommandLine}, std::move(answer));
                         }};
    EngineMqtt mqtt{engine, plant.inputs, core, rules, plant.sequences, test::settingsFor(broker)};
    std::string secret;
};

TEST_P(TransportContract, ARequestMakesTheSameChangeWhicheverTransportCarriesIt) {
    const auto& [c, transport] = GetParam();
    startWith(c.codes);
    const std::uint64_t before = transfers();
    std::map<int, bool> was;
    for (const auto& entry : c.latched) was[entry.first] = latchedOn(entry.first);
    // Refused whole: not even the outputs within the scope change.
    const bool changes = c.changes && !(transport == Transport::Web && c.beyondScope);
    EXPECT_EQ(send(c, transport), changes);
    // The MQTT case's own change of output 300 is not the request's.
    const std::uint64_t made = transfers() - before - (transport == Transport::Mqtt ? 1 : 0);
    EXPECT_EQ(made, changes ? 1u : 0u);
    for (const auto& [output, on] : changes ? c.latched : was) {
        EXPECT_EQ(latchedOn(output), on) << "output " << output;
        if (changes) {
            EXPECT_EQ(saved(output), on ? "0" : "1") << "output " << output;
        }
    }
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<Contract, Transport>>& info) {
    static const char* const kTransports[] = {"CommandLine", "Socket", "Mqtt", "Web"};
    return std::string(std::get<0>(info.param).name) + kTransports[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Requests, TransportContract,
                         ::testing::Combine(::testing::ValuesIn(kContracts),
                                            ::testing::Values(Transport::CommandLine, Transport::Socket,
                                                              Transport::Mqtt, Transport::Web)),
                         caseName);

void PrintTo(const Contract& c, std::ostream* out) { *out << c.name; }

}  // namespace
}  // namespace kavtra
