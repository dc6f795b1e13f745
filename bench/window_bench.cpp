#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "bench/bench_dir.h"
#include "commands/command_core.h"
#include "commands/rule_book.h"
#include "engine/output_engine.h"
#include "engine/output_pulses.h"
#include "persist/files/settings.h"
#include "persist/profile/cls_ini.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "runner/output_runner.h"
#include "runner/qt_timers.h"
#include "tests/support/window_parts.h"
#include "ui/main/my_frm.h"

namespace kavtra {
namespace {

struct Program {
    Program() {
        config.FileName(configPath(dir.path.string()));
        data.FileName(dataPath(dir.path.string()));
    }
    ~Program() { stop(); }
    void start() {
        engine = std::make_unique<OutputEngine>(data, lpt);
        pulses = std::make_unique<OutputPulses>(*engine, timers, wallClock);
        rules = std::make_unique<RuleBook>(rulesPath(dir.path.string()), *engine, timers);
        rules->reload();
        core = std::make_unique<CommandCore>(*engine, *pulses, *rules);
        runner = std::make_unique<OutputRunner>(settings, *engine, [] {});
        frm = std::make_unique<MyFrm>(*runner, settings, *core, *rules, MyFrmPlatform{});
        frm->Form_Load();
        frm->show();
        if (!QTest::qWaitForWindowExposed(frm.get())) std::abort();
        test::geometryTimerOf(*frm).stop();
        runner->Update_Tmr->stop();
    }
    void stop() {
        frm.reset();
        runner.reset();
        core.reset();
        rules.reset();
        pulses.reset();
        engine.reset();
    }
    BenchDir dir;
    SimulatedPort port;
    LPT lpt{port};
    clsINI config;
    clsINI data;
    Settings settings{config};
    QtTimers timers;
    SystemWallClock wallClock;
    std::unique_ptr<OutputEngine> engine;
    std::unique_ptr<OutputPulses> pulses;
    std::unique_ptr<RuleBook> rules;
    std::unique_ptr<CommandCore> core;
    std::unique_ptr<OutputRunner> runner;
    std::unique_ptr<MyFrm> frm;
};

// From the double click on a row to the list saved and the picture sent.
void BM_ToggleEndToEnd(benchmark::State& state) {
    Program program;
    program.start();
    QTreeWidget* list = &test::listOf(*program.frm);
    QTreeWidgetItem* row = list->topLevelItem(16);
    const QPoint centre = list->visualItemRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    for (auto _ : state) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}
BENCHMARK(BM_ToggleEndToEnd)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// From creating the window to its first appearance on the screen, with a
// Data.dat of 300 named outputs in place.
void BM_StartToWindowShown(benchmark::State& state) {
    Program program;
    program.start();
    test::actionOf(*program.frm, "off_all").trigger();  // writes all 300 sections
    program.stop();
    for (auto _ : state) {
        program.start();
        state.PauseTiming();
        program.stop();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToWindowShown)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavtra

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
