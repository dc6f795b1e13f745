#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "bench/bench_dir.h"
#include "plant/plant.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "runner/output_runner.h"
#include "runner/qt_timers.h"
#include "runner/wall_alarm.h"
#include "tests/support/window_parts.h"
#include "ui/main/my_frm.h"

namespace kavtra {
namespace {

// The program's plant with its window on a simulated port, built anew for
// each start as a new process builds them.
struct Program {
    ~Program() { stop(); }
    void start() {
        plant = std::make_unique<Plant>(lpt, dir.path.string(),
                                        PlantClocks{timers, deadTimes, calendar, calendar, systemZone()});
        runner = std::make_unique<OutputRunner>(*plant, [] {});
        frm = std::make_unique<MyFrm>(*runner, plant->settings, plant->core, plant->inputs, plant->rules,
                                      MyFrmPlatform{});
        runner->startSequence();
        frm->Form_Load();
        frm->show();
        if (!QTest::qWaitForWindowExposed(frm.get())) std::abort();
        test::geometryTimerOf(*frm).stop();
        runner->Update_Tmr->stop();
    }
    void stop() {
        frm.reset();
        runner.reset();
        plant.reset();
    }
    BenchDir dir;
    SimulatedPort port;
    LPT lpt{port};
    QtTimers timers;
    QtTimers deadTimes;
    SystemWallAlarm calendar;
    std::unique_ptr<Plant> plant;
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
