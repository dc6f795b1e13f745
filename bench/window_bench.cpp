#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "persist/cls_ini.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "ui/main/my_frm.h"

namespace kavtra {
namespace {

struct Program {
    Program() {
        char tmpl[] = "/tmp/kavtra-bench-XXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    ~Program() {
        frm.reset();
        std::filesystem::remove_all(dir);
    }
    void start() {
        frm = std::make_unique<MyFrm>(ini, MyFrmPlatform{dir.string(), &lpt, [] {}, {}, {}, {}});
        frm->Form_Load();
        frm->show();
        if (!QTest::qWaitForWindowExposed(frm.get())) std::abort();
    }
    std::filesystem::path dir;
    SimulatedPort port;
    LPT lpt{port};
    clsINI ini;
    std::unique_ptr<MyFrm> frm;
};

// From the double click on a row to the list saved and the picture sent.
void BM_ToggleEndToEnd(benchmark::State& state) {
    Program program;
    program.start();
    program.frm->Timer1->stop();
    program.frm->Update_Tmr->stop();
    QTreeWidget* list = program.frm->List1;
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
    program.frm->Timer1->stop();
    program.frm->Update_Tmr->stop();
    program.frm->off_all->trigger();  // writes all 300 sections
    program.frm.reset();
    for (auto _ : state) {
        program.start();
        state.PauseTiming();
        program.frm.reset();
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
