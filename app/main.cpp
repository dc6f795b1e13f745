#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "outputs/shift_board.h"
#include "persist/cls_ini.h"
#include "port/lpt.h"
#include "port/port_tap.h"
#include "port/port_trace.h"
#include "port/simulated_port.h"
#include "ui/bench/bench_window.h"
#include "ui/main/my_frm.h"

#include <unistd.h>

namespace {

bool askExit(QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Выход"), QStringLiteral("Вы уверенны что хотите выйти ?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program speaks Russian, its message-box buttons included.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    const std::string programDir = QCoreApplication::applicationDirPath().toStdString();

    kavtra::SimulatedPort simulated;
    kavtra::PortTap tap(simulated);
    if (const char* tracePath = std::getenv("KAVTRA_PORT_TRACE"); tracePath && *tracePath) {
        std::string error;
        std::shared_ptr<kavtra::PortTrace> trace = kavtra::PortTrace::open(tracePath, error);
        if (trace)
            tap.addListener(kavtra::traceListener(std::move(trace)));
        else
            std::fprintf(stderr, "kavtra: cannot open the port trace %s: %s\n", tracePath, error.c_str());
    }
    kavtra::ShiftBoard board;
    tap.addListener(board.listener());
    kavtra::LPT lpt(tap);

    kavtra::clsINI ini;
    kavtra::MyFrmPlatform platform;
    platform.programDir = programDir;
    platform.lpt = &lpt;
    platform.confirmExit = askExit;
    // The exit sequence ends the process at once: no handler runs after it.
    platform.endProcess = [] { ::_exit(0); };

    kavtra::MyFrm frm(ini, platform);
    frm.Form_Load();
    frm.show();
    // Without a port, the board the program drives is shown beside it.
    kavtra::BenchWindow bench(board);
    bench.move(frm.frameGeometry().topRight() + QPoint(8, 0));
    bench.show();
    return app.exec();
}
