#include <benchmark/benchmark.h>

#include <fstream>
#include <vector>

#include "bench/engine_rig.h"
#include "bench/latency.h"

namespace kavtra {
namespace {

// An input's edge on the simulated port to the latch of the step of the rule
// it sets off: the inputs polled every 10 ms and debounced for 20 ms, as
// Rules.ini has them unless told otherwise, on the event loop's timers. Each
// edge comes at a moment of its own against the poll's ticks.
void BM_InputEdgeToLatch(benchmark::State& state) {
    EngineRig rig;
    std::ofstream(rig.rules.path(), std::ios::binary)
        << "[Rule Вкл]\r\nWhen=input 1 on\r\nDo=set 20=on\r\n[Rule Выкл]\r\nWhen=input 1 off\r\nDo=set 20=off\r\n";
    rig.rules.reload();
    Clock::time_point latchedAt;
    int level = 0;
    rig.tap.addListener([&, seen = rig.board.latchPulses()](const PortAccess&) mutable {
        if (rig.board.latchPulses() == seen) return;
        seen = rig.board.latchPulses();
        if (rig.board.outputLevel(20) != level) {
            level = rig.board.outputLevel(20);
            latchedAt = Clock::now();
        }
    });
    std::vector<double> latencies;
    bool high = false;
    for (auto _ : state) {
        // Somewhere within the next poll's period.
        const Clock::time_point wait = Clock::now() + std::chrono::microseconds(1000 + latencies.size() * 7919 % 10000);
        serveUntil([&] { return Clock::now() >= wait; });
        high = !high;
        const Clock::time_point edge = Clock::now();
        rig.port.setInputs({high, false, false, false, false});
        serveUntil([&] { return level == (high ? 1 : 0); });
        const double latency = ms(latchedAt - edge);
        latencies.push_back(latency);
        state.SetIterationTime(latency / 1000);
    }
    state.counters["median_ms"] = median(latencies);
    state.counters["max_ms"] = *std::max_element(latencies.begin(), latencies.end());
}
BENCHMARK(BM_InputEdgeToLatch)->UseManualTime()->Iterations(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavtra
