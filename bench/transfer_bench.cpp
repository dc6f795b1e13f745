#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_dir.h"
#include "engine/input_watch.h"
#include "outputs/transfer.h"
#include "port/port_trace.h"
#include "port/simulated_port.h"

namespace kavtra {
namespace {

OutState mixedTable() {
    OutState table;
    for (int n = 1; n <= board::kOutputs; ++n) table[n] = static_cast<std::int16_t>(n % 3 == 0);
    return table;
}

void BM_UpdateOuts(benchmark::State& state) {
    SimulatedPort port;
    LPT lpt(port);
    const OutState table = mixedTable();
    for (auto _ : state) {
        UpdateOuts(table, lpt);
        benchmark::DoNotOptimize(port.registers());
    }
}
BENCHMARK(BM_UpdateOuts);

// The kTransferWrites writes and kTransferReads reads of one transfer, issued straight on the backend:
// what the routines above add to this is their whole cost.
void BM_RawAccesses(benchmark::State& state) {
    SimulatedPort port;
    // Through the interface, as the routines reach it: the compiler must not
    // see which backend this is and call it directly.
    PortIo* opaque = &port;
    benchmark::DoNotOptimize(opaque);
    PortIo& io = *opaque;
    for (auto _ : state) {
        for (int step = 0; step < board::kStages; ++step) {
            io.Out32(kDataRegister, static_cast<std::int16_t>(step));
            for (int change = 0; change < 2; ++change) {
                const std::int16_t control = io.Inp32(kControlRegister);
                io.Out32(kControlRegister, static_cast<std::int16_t>(control ^ 1));
            }
        }
        for (int change = 0; change < 2; ++change) {
            const std::int16_t control = io.Inp32(kControlRegister);
            io.Out32(kControlRegister, static_cast<std::int16_t>(control ^ 2));
        }
        io.Out32(kDataRegister, 0);
        benchmark::DoNotOptimize(port.registers());
    }
}
BENCHMARK(BM_RawAccesses);

// One transfer with the trace file on: the cost a user pays for tracing.
void BM_UpdateOutsTraced(benchmark::State& state) {
    // Declared first, so the folder goes after the listener has closed the
    // file: Windows removes no open file.
    const BenchDir dir;
    const std::string path = (dir.path / "port.trace").string();
    std::string error;
    std::shared_ptr<PortTrace> trace = PortTrace::open(path, error);
    if (!trace) {
        state.SkipWithError(error.c_str());
        return;
    }
    SimulatedPort port;
    PortTap tap(port);
    tap.addListener(traceListener(trace));
    LPT lpt(tap);
    const OutState table = mixedTable();
    for (auto _ : state) UpdateOuts(table, lpt);
}
BENCHMARK(BM_UpdateOutsTraced);

// Holds the one pending call, run by hand: the poll re-arms itself, so each
// run of it is one poll.
struct PollTimers final : Timers {
    void start(int, std::chrono::milliseconds, std::function<void()> call) override { due = std::move(call); }
    void stop(int) override { due = nullptr; }
    std::chrono::milliseconds now() const override { return {}; }
    std::function<void()> due;
};

// One poll of all five inputs watched (the status read and each input's
// debounce) on the simulated port: what watched inputs cost every Period,
// short of the event loop's wake-up.
void BM_InputPoll(benchmark::State& state) {
    const BenchDir dir;
    const clsINI data((dir.path / "Data.dat").string());
    SimulatedPort port;
    LPT lpt(port);
    PollTimers timers;
    OutputEngine engine(data, lpt, timers);
    InputWatch watch(engine, timers);
    watch.want("bench", {true, true, true, true, true});
    for (auto _ : state) timers.due();
}
BENCHMARK(BM_InputPoll);

}  // namespace
}  // namespace kavtra
