#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "bench/engine_rig.h"
#include "bench/latency.h"
#include "persist/paths/files_dir.h"

namespace kavtra {
namespace {

constexpr int kWatched = 5;
constexpr int kSteps = 1000;
constexpr auto kHold = std::chrono::milliseconds(100);

// Every core kept busy by a thread that spins, as a machine that builds or
// renders meanwhile would be: the steps' timers must still come on time.
class Load {
public:
    explicit Load(unsigned threads) {
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this] {
                while (!stop_.load(std::memory_order_relaxed)) spins_.fetch_add(1, std::memory_order_relaxed);
            });
    }
    ~Load() {
        stop_ = true;
        for (std::thread& thread : threads_) thread.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<unsigned long> spins_{0};
    std::vector<std::thread> threads_;
};

// A sequence of 100 ms steps, switching one output on and off, run on the
// event loop's timers and the simulated port as the program runs it: each
// latch of that output against the time the step was planned for, counted
// from the start (step k at start + k x 100 ms). Each step is a whole step of
// the engine: Data.dat saved (with its [Sequences] place), the transfer.
// Where a late latch lost its time is counted apart: the step begun late (its
// timer, the event loop), or the step itself (the save, then the transfer).
// Argument: how many threads load the machine meanwhile.
void BM_SequenceStepsOnTime(benchmark::State& state) {
    for (auto _ : state) {
        EngineRig rig;
        std::ofstream(rulesPath(rig.dir), std::ios::binary)
            << "[Sequence Tick]\r\nSteps=set 5=on for 100ms; set 5=off for 100ms\r\nRepeat=forever\r\n";
        rig.rules.reload();
        // Each latch, and which step of the plan it is: a step that comes so
        // late that the next is due is passed over, as after a restart.
        std::vector<std::pair<Clock::time_point, int>> latches;
        std::vector<double> steps;  // each step's save and transfer
        latches.reserve(kSteps + 1);
        bool on = false;
        QEventLoop loop;
        // A step's save calls the hooks before it writes.
        Clock::time_point begun;
        const auto hook = rig.engine.addSaveHook([&](const OutputChange&, const clsINI&) { begun = Clock::now(); });
        rig.tap.addListener([&](const PortAccess&) {
            if ((rig.board.outputLevel(kWatched) == 1) == on || latches.size() > kSteps) return;
            on = !on;
            const SequenceStatus where = rig.plant.sequences.statuses().front();
            latches.emplace_back(Clock::now(), (where.round - 1) * where.steps + where.step - 1);
            steps.push_back(ms(latches.back().first - begun));
            if (latches.size() > kSteps) QTimer::singleShot(0, &loop, &QEventLoop::quit);
        });
        const Load load(static_cast<unsigned>(state.range(0)));
        const Clock::time_point start = Clock::now();
        rig.core.execute({StartCommand{"Tick"}, Source::CommandLine});
        QTimer::singleShot(kSteps * kHold + std::chrono::seconds(10), &loop, &QEventLoop::quit);
        loop.exec();
        rig.engine.removeSaveHook(hook);
        if (latches.size() <= kSteps) return state.SkipWithError("the sequence did not latch every step");
        std::vector<double> late;
        for (const auto& [at, step] : latches) late.push_back(ms(at - (start + step * kHold)));
        const double first = late.front();
        const double last = late.back();
        state.counters["passed_over"] = latches.back().second + 1 - static_cast<double>(latches.size());
        std::sort(late.begin(), late.end());
        state.counters["median_ms"] = late[late.size() / 2];
        state.counters["worst_ms"] = late.back();
        state.counters["earliest_ms"] = late.front();
        // A plan made from each step's own latch would add every lateness up.
        state.counters["drift_ms"] = last - first;
        state.counters["steps"] = static_cast<double>(latches.size() - 1);
        state.counters["step_median_ms"] = median(steps);
        state.counters["step_worst_ms"] = *std::max_element(steps.begin(), steps.end());
    }
}
BENCHMARK(BM_SequenceStepsOnTime)->Arg(0)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kavtra
