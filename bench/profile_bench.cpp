#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench/bench_dir.h"
#include "persist/profile/cls_ini.h"
#include "persist/profile/profile.h"

namespace kavtra {
namespace {

// The settings file of a user: the nine keys the program writes and three of
// the user's own.
void writeSettingsFile(const std::string& path) {
    std::ofstream(path, std::ios::binary) << "[FormPosition]\r\nx=1000\r\ny=1000\r\nHeight=6200\r\nWidth=9300\r\n"
                                             "[ListPosition]\r\nlist_Width1=3000\r\nlist_Width2=1500\r\n"
                                             "[Configs]\r\nValLoad=3\r\nValUnload=3\r\nTimeUpdate=100\r\n"
                                             "[Notes]\r\nowner=Иванов\r\nroom=12\r\nboard=rev B\r\n";
}

// What the transfer timer does on every tick: the last key of the file.
void BM_GetPrivateINIString_SettingsFile(benchmark::State& state) {
    BenchDir dir;
    clsINI ini;
    ini.FileName((dir.path / "config.ini").string());
    writeSettingsFile(ini.FileName());
    for (auto _ : state) benchmark::DoNotOptimize(ini.GetPrivateINIString("Configs", "TimeUpdate", "100"));
}
BENCHMARK(BM_GetPrivateINIString_SettingsFile);

// One list save: Value and Name of all 300 outputs into a file that already
// has their sections. Every save changes one output, so every save writes.
void saveList(const clsINI& ini, int round) {
    for (int n = 1; n <= 300; ++n) {
        const std::string section = "Devais_" + std::to_string(n);
        ini.WritePrivateINIString(section, "Value", n == round % 300 + 1 ? "1" : "0");
        ini.WritePrivateINIString(section, "Name", "Вывод " + std::to_string(n));
    }
}

void BM_SaveList_Grouped(benchmark::State& state) {
    BenchDir dir;
    clsINI ini;
    ini.FileName((dir.path / "Data.dat").string());
    saveList(ini, -1);
    int round = 0;
    for (auto _ : state) {
        const ProfileWriteGroup group;
        saveList(ini, round++);
    }
}
BENCHMARK(BM_SaveList_Grouped)->Unit(benchmark::kMillisecond);

void BM_SaveList_Ungrouped(benchmark::State& state) {
    BenchDir dir;
    clsINI ini;
    ini.FileName((dir.path / "Data.dat").string());
    saveList(ini, -1);
    int round = 0;
    for (auto _ : state) saveList(ini, round++);
}
BENCHMARK(BM_SaveList_Ungrouped)->Unit(benchmark::kMillisecond)->Iterations(5);

// A Data.dat of the given size: the 300 outputs' sections and, to make up the
// size, a section of the user's own notes. Returned once its last change lies
// further back than a timestamp tick, as a user's file at start-up does.
std::string writeDataFile(const std::filesystem::path& dir, std::size_t size) {
    const std::string path = (dir / "Data.dat").string();
    clsINI ini;
    ini.FileName(path);
    {
        const ProfileWriteGroup group;
        saveList(ini, 0);
    }
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << "[Notes]\r\n";
    for (std::size_t written = std::filesystem::file_size(path), n = 0; written < size; ++n) {
        const std::string line = "note" + std::to_string(n) + "=щит 3, линия " + std::to_string(n % 97) + "\r\n";
        out << line;
        written += line.size();
    }
    out.close();
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    return path;
}

// LoadList's 600 reads: Value and Name of every output.
void loadList(const clsINI& ini) {
    for (int n = 1; n <= 300; ++n) {
        const std::string section = "Devais_" + std::to_string(n);
        benchmark::DoNotOptimize(ini.GetPrivateINIString(section, "Value", "0"));
        benchmark::DoNotOptimize(ini.GetPrivateINIString(section, "Name", ""));
    }
}

// The reads of a thread that has read the file before.
void BM_LoadList_Reads(benchmark::State& state) {
    BenchDir dir;
    clsINI ini;
    ini.FileName(writeDataFile(dir.path, static_cast<std::size_t>(state.range(0))));
    loadList(ini);
    for (auto _ : state) loadList(ini);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(ini.FileName()));
}
BENCHMARK(BM_LoadList_Reads)->Arg(16 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// The reads at start-up: a thread that has not read the file yet, so the
// first read parses it.
void BM_LoadList_FirstReads(benchmark::State& state) {
    BenchDir dir;
    clsINI ini;
    ini.FileName(writeDataFile(dir.path, static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) std::thread([&] { loadList(ini); }).join();
}
BENCHMARK(BM_LoadList_FirstReads)->Arg(16 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavtra
