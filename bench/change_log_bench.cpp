#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_dir.h"
#include "persist/log/change_log.h"

namespace kavtra {
namespace {

const std::string kLine = "2026-12-07 18:45:13.123\tmqtt:garage\t7=off 8=on";

// What every step costs the engine's thread: the size check, the open, one
// write and the close; a rotation every 22,000 lines or so at the real cap.
void BM_ChangeLog_Append(benchmark::State& state) {
    BenchDir dir;
    ChangeLog log(changeLogPath(dir.path.string()));
    for (auto _ : state) log.append(kLine);
}
BENCHMARK(BM_ChangeLog_Append)->Unit(benchmark::kMicrosecond);

// What the window's log view waits for: the last N lines of a full log and
// a full predecessor (1 MiB each).
void BM_LastLogLines(benchmark::State& state) {
    BenchDir dir;
    ChangeLog log(changeLogPath(dir.path.string()));
    for (std::uintmax_t written = 0; written < 2 * kChangeLogCap; written += kLine.size() + 1) log.append(kLine);
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(lastLogLines(log.path(), n));
}
BENCHMARK(BM_LastLogLines)->Arg(100)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavtra
