#include <benchmark/benchmark.h>

#include <QThread>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "bench/bench_dir.h"
#include "persist/paths/files_dir.h"
#include "persist/profile/cls_ini.h"
#include "plant/plant.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "runner/output_runner.h"
#include "runner/qt_timers.h"
#include "runner/wall_alarm.h"

namespace kavtra {
namespace {

// A Data.dat of about `size` bytes: the 300 outputs' sections and, to make up
// the size, a section of the user's own notes.
std::string dataFileText(std::size_t size) {
    std::string text;
    for (int n = 1; n <= 300; ++n)
        text += "[Devais_" + std::to_string(n) + "]\r\nValue=" + std::to_string(n % 2) + "\r\nName=Вывод " +
                std::to_string(n) + "\r\n";
    text += "[Notes]\r\n";
    for (std::size_t n = 0; text.size() < size; ++n)
        text += "note" + std::to_string(n) + "=щит 3, линия " + std::to_string(n % 97) + "\r\n";
    return text;
}

// The plant built and started as a new process builds and starts it: on a thread that has read no
// file yet, with the remembered states as the start policy (the default).
// range(0): the file's size; range(1): 1 when the file was saved just before
// each start, 0 when its last change lies further back than a timestamp tick.
void BM_StartSequence(benchmark::State& state) {
    BenchDir dir;
    const clsINI data(dataPath(dir.path.string()));
    SimulatedPort port;
    LPT lpt(port);
    const std::string text = dataFileText(static_cast<std::size_t>(state.range(0)));
    const bool saved = state.range(1) == 1;
    std::ofstream(data.FileName(), std::ios::binary) << text;
    if (!saved) std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    for (auto _ : state) {
        if (saved) {
            state.PauseTiming();
            std::ofstream(data.FileName(), std::ios::binary | std::ios::trunc) << text;
            state.ResumeTiming();
        }
        // A thread of Qt's own, so that the runner's timer has an event loop.
        std::unique_ptr<QThread> start(QThread::create([&] {
            QtTimers timers;
            QtTimers deadTimes;
            SystemWallAlarm calendar;
            Plant plant(lpt, dir.path.string(), {timers, deadTimes, calendar, calendar, systemZone()});
            OutputRunner runner(plant, [] {});
            runner.startSequence();
        }));
        start->start();
        start->wait();
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(data.FileName()));
}
BENCHMARK(BM_StartSequence)
    ->ArgNames({"bytes", "saved"})
    ->Args({16 << 10, 1})
    ->Args({16 << 10, 0})
    ->Args({1 << 20, 1})
    ->Args({1 << 20, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavtra
