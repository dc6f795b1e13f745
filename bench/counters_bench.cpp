#include <benchmark/benchmark.h>

#include <optional>

#include "bench/bench_dir.h"
#include "counters/output_counters.h"
#include "engine/output_engine.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "schedule/local_zone.h"

namespace kavtra {
namespace {

// No interlocks here, so no dead time is ever waited for.
struct NoTimers : Timers {
    void start(int, std::chrono::milliseconds, std::function<void()>) override {}
    void stop(int) override {}
    std::chrono::milliseconds now() const override { return {}; }
};

// One step that switches output 5 (its save of Data.dat, its transfer),
// without counters (/0) and with them (/1). With them every output has
// switched before, so [Counters] holds all 300 keys: the largest Data.dat
// they make.
void BM_StepWithCounters(benchmark::State& state) {
    BenchDir dir;
    clsINI data;
    data.FileName((dir.path / "Data.dat").string());
    SimulatedPort port;
    LPT lpt(port);
    NoTimers timers;
    const SystemWallClock clock;
    OutputEngine engine(data, lpt, timers);
    std::optional<OutputCounters> counters;
    if (state.range(0) != 0) {
        counters.emplace(engine, clock, systemZone());
        counters->resume();
    }
    engine.setAll(true, Source::Window);
    engine.setAll(false, Source::Window);
    bool on = false;
    for (auto _ : state) benchmark::DoNotOptimize(engine.set({{5, on = !on}}, Source::Window));
}
BENCHMARK(BM_StepWithCounters)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(5);

}  // namespace
}  // namespace kavtra
