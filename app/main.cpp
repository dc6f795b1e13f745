#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "outputs/shift_board.h"
#include "persist/cls_ini.h"
#include "persist/files_dir.h"
#include "port/port_stack.h"
#include "ui/bench/bench_window.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/option_frm.h"
#include "ui/main/my_frm.h"

namespace {

// A port that cannot be opened ends the program at once, before anything has
// been written to either file. The port is opened before the window exists;
// should a failure still arrive while the message is shown, it ends at once.
[[noreturn]] void endForPort(const kavtra::PortFailure& failure) {
    static bool reporting = false;
    if (reporting) std::_Exit(1);
    reporting = true;
    std::fprintf(stderr, "kavtra: %s\n", failure.message.c_str());
    QMessageBox::critical(nullptr, QStringLiteral("Кавтра"), QString::fromStdString(failure.message));
    std::_Exit(1);
}

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

    const std::unique_ptr<kavtra::PortStack> port = kavtra::buildPortStack(kavtra::portEnvironment(), endForPort);
    port->open();
    std::unique_ptr<kavtra::ShiftBoard> board;
    if (kavtra::SimulatedPort* simulated = port->simulated()) {
        board = std::make_unique<kavtra::ShiftBoard>(simulated->registers().control);
        port->tap().addListener(board->listener());
    }

    kavtra::clsINI ini;
    kavtra::MyFrmPlatform platform;
    // The pages live beside the executable; the two files there too, unless
    // the program may not write there.
    const std::string executableDir = QCoreApplication::applicationDirPath().toStdString();
    platform.programDir = kavtra::filesDirectory(executableDir);
    platform.lpt = &port->lpt();
    platform.confirmExit = askExit;
    // The exit sequence ends the process at once: no handler runs after it.
    platform.endProcess = [] { std::_Exit(0); };
    // The menu shows each dialog anew, modal and without an owner.
    platform.showOptions = [&ini, dir = platform.programDir](QWidget*) {
        kavtra::OptionFrm dialog(ini, dir);
        dialog.exec();
    };
    platform.showAbout = [executableDir](QWidget*) {
        kavtra::AboutFrm dialog(executableDir);
        dialog.exec();
    };

    kavtra::MyFrm frm(ini, platform);
    frm.Form_Load();
    frm.show();
    // Without a port, the board the program drives is shown beside it.
    std::unique_ptr<kavtra::BenchWindow> bench;
    if (board) {
        bench = std::make_unique<kavtra::BenchWindow>(*board);
        const QRect screen = frm.screen()->availableGeometry();
        const QRect main = frm.frameGeometry();
        const bool fitsBeside = main.right() + 8 + bench->width() <= screen.right();
        bench->move(fitsBeside ? main.topRight() + QPoint(8, 0) : main.bottomLeft() + QPoint(0, 8));
        bench->show();
    }
    return app.exec();
}
