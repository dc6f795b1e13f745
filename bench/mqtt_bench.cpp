#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/engine_rig.h"
#include "bench/latency.h"
#include "mqtt/discovery.h"
#include "mqtt/engine_mqtt.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_test_client.h"

namespace kavtra {
namespace {

// The program's engine on a simulated port with the board model, a broker on
// loopback and a client that watches everything.
struct Rig : EngineRig {
    Rig() : broker(folder.path), watcher(broker.port(), "watcher") { watcher.subscribe("#"); }
    MqttSettings settings() const {
        MqttSettings s;
        s.host = "127.0.0.1";
        s.port = broker.port();
        s.node = "bench";
        return s;
    }
    test::MosquittoBroker broker;
    test::MqttTestClient watcher;
};

// Outputs that cost nothing: what is measured over them is MQTT's own work.
struct FreeOutputs : OutputAccess {
    bool isOn(int output) const override { return on[output - 1]; }
    std::string name(int output) const override { return "Вывод " + std::to_string(output); }
    void apply(const Command& command, std::function<void(const Reply&)> answer) override {
        std::vector<int> touched;
        for (const auto& [target, action] : std::get<SetCommand>(command).outputs) {
            on[target.output - 1] = action == Switch::On;
            touched.push_back(target.output);
        }
        bridge->outputsChanged(touched, {});
        answer({});
    }
    std::array<bool, 300> on{};
    MqttBridge* bridge = nullptr;
};

// A command sent to out/7/set until its new state arrives at another client.
// With the engine, output 7 is latched on the board and Data.dat saved in
// between; over FreeOutputs only MQTT's part is left.
void commandRoundTrips(benchmark::State& state, Rig& rig, const std::function<bool(bool)>& latched) {
    serveUntil([&] { return rig.watcher.count("kavtra/bench/out/") == 600; });
    std::vector<double> latencies;
    bool on = false;
    for (auto _ : state) {
        on = !on;
        rig.watcher.clear();
        const auto sent = Clock::now();
        rig.watcher.send("kavtra/bench/out/7/set", on ? "ON" : "OFF");
        serveUntil([&] { return rig.watcher.count("kavtra/bench/out/7/state") == 1; });
        const double latency = ms(rig.watcher.messages().back().at - sent);
        if (!latched(on)) state.SkipWithError("output 7 not latched");
        latencies.push_back(latency);
        state.SetIterationTime(latency / 1000);
    }
    state.counters["median_ms"] = median(latencies);
    state.counters["max_ms"] = *std::max_element(latencies.begin(), latencies.end());
}

void BM_CommandToLatchedAndPublished(benchmark::State& state) {
    Rig rig;
    EngineMqtt mqtt(rig.engine, rig.plant.inputs, rig.core, rig.rules, rig.plant.sequences, rig.settings());
    commandRoundTrips(state, rig, [&](bool on) { return rig.board.outputLevel(7) == (on ? 1 : 0); });
}
BENCHMARK(BM_CommandToLatchedAndPublished)->UseManualTime()->Iterations(300)->Unit(benchmark::kMillisecond);

void BM_CommandToPublishedWithoutEngine(benchmark::State& state) {
    Rig rig;
    FreeOutputs outputs;
    MqttBridge bridge(rig.settings(), outputs);
    outputs.bridge = &bridge;
    bridge.start();
    commandRoundTrips(state, rig, [&](bool on) { return outputs.on[6] == on; });
}
BENCHMARK(BM_CommandToPublishedWithoutEngine)->UseManualTime()->Iterations(300)->Unit(benchmark::kMillisecond);

// Home Assistant recalls a scene of its own as one command per entity, back to
// back: here 50 on out/1/set to out/50/set, all ON, then all OFF the next
// time round. Counted from the last of them sent to all 50 latched on the
// board (seen between two turns of the event loop), and the transfers made.
void BM_BurstOf50Commands(benchmark::State& state) {
    constexpr int kCommands = 50;
    Rig rig;
    EngineMqtt mqtt(rig.engine, rig.plant.inputs, rig.core, rig.rules, rig.plant.sequences, rig.settings());
    serveUntil([&] { return rig.watcher.count("kavtra/bench/out/") == 600; });
    const auto allLatched = [&](bool on) {
        for (int n = 1; n <= kCommands; ++n)
            if (rig.board.outputLevel(n) != (on ? 1 : 0)) return false;
        return true;
    };
    std::vector<double> afterLast;
    std::vector<double> transfers;
    bool on = false;
    for (auto _ : state) {
        on = !on;
        const auto latchesBefore = rig.board.latchPulses();
        for (int n = 1; n <= kCommands; ++n)
            rig.watcher.send("kavtra/bench/out/" + std::to_string(n) + "/set", on ? "ON" : "OFF");
        const auto lastSent = Clock::now();
        serveUntil([&] { return allLatched(on); });
        const double latency = ms(Clock::now() - lastSent);
        afterLast.push_back(latency);
        transfers.push_back(static_cast<double>(rig.board.latchPulses() - latchesBefore));
        state.SetIterationTime(latency / 1000);
        // The states of this round published, so that the next starts clean.
        serveUntil([&] { return rig.watcher.last("kavtra/bench/out/50/state") == (on ? "ON" : "OFF"); });
    }
    state.counters["median_ms"] = median(afterLast);
    state.counters["max_ms"] = *std::max_element(afterLast.begin(), afterLast.end());
    state.counters["median_transfers"] = median(transfers);
    state.counters["max_transfers"] = *std::max_element(transfers.begin(), transfers.end());
}
BENCHMARK(BM_BurstOf50Commands)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

// From starting the link to all 300 discovery configs, names and states
// received by another client; also counted from the connection being up.
void BM_ConnectToEverythingPublished(benchmark::State& state) {
    Rig rig;
    std::vector<double> fromStart;
    std::vector<double> fromConnected;
    for (auto _ : state) {
        rig.watcher.clear();
        Clock::time_point connected{};
        const auto started = Clock::now();
        auto mqtt = std::make_unique<EngineMqtt>(rig.engine, rig.plant.inputs, rig.core, rig.rules, rig.plant.sequences,
                                                 rig.settings());
        QObject::connect(&mqtt->bridge(), &MqttBridge::statusChanged, [&](const QString&, bool up) {
            if (up) connected = Clock::now();
        });
        serveUntil([&] {
            return rig.watcher.count("homeassistant/switch/bench/") == 300 &&
                   rig.watcher.count("kavtra/bench/out/") == 600;
        });
        const Clock::time_point last = rig.watcher.messages().back().at;
        fromStart.push_back(ms(last - started));
        fromConnected.push_back(ms(last - connected));
        state.SetIterationTime(ms(last - started) / 1000);
        mqtt.reset();
    }
    state.counters["median_ms"] = median(fromStart);
    state.counters["after_connack_median_ms"] = median(fromConnected);
}
BENCHMARK(BM_ConnectToEverythingPublished)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Building the 300 discovery configs, which the session does after every
// connect (on its own thread).
void BM_DiscoveryConfigs(benchmark::State& state) {
    const Topics topics("kavtra", "bench", "homeassistant");
    for (auto _ : state)
        for (int output = 1; output <= 300; ++output)
            benchmark::DoNotOptimize(discoveryConfig(topics, output, "Вывод " + std::to_string(output)));
}
BENCHMARK(BM_DiscoveryConfigs)->Unit(benchmark::kMillisecond);

// The longest single turn of the main thread's event loop while the link
// connects, publishes everything, and takes twenty 300-output batches: over
// FreeOutputs, everything the main thread does here is MQTT work. On a busy
// machine the wall time of a turn includes time the system gave to other
// processes; the thread's own CPU time does not.
double threadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void BM_MainThreadLongestTurn(benchmark::State& state) {
    Rig rig;
    auto everyOutput = [](const char* word) {
        std::string batch = "{";
        for (int n = 1; n <= 300; ++n) batch += (n > 1 ? ",\"" : "\"") + std::to_string(n) + "\":\"" + word + "\"";
        return batch + "}";
    };
    const std::string allOn = everyOutput("ON");
    const std::string allOff = everyOutput("OFF");
    double longest = 0;
    double longestCpu = 0;
    for (auto _ : state) {
        rig.watcher.clear();
        FreeOutputs outputs;
        MqttBridge bridge(rig.settings(), outputs);
        outputs.bridge = &bridge;
        bridge.start();
        std::size_t batches = 0;
        while (rig.watcher.count("kavtra/bench/out/") < 600 + 300 * 20) {
            if (batches < 20 && rig.watcher.count("kavtra/bench/out/") >= 600 + 300 * batches) {
                rig.watcher.send("kavtra/bench/set", batches % 2 == 0 ? allOn : allOff);
                ++batches;
            }
            const auto before = Clock::now();
            const double cpuBefore = threadCpuMs();
            QCoreApplication::processEvents();
            longest = std::max(longest, ms(Clock::now() - before));
            longestCpu = std::max(longestCpu, threadCpuMs() - cpuBefore);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    }
    state.counters["longest_ms"] = longest;
    state.counters["longest_cpu_ms"] = longestCpu;
}
BENCHMARK(BM_MainThreadLongestTurn)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavtra
