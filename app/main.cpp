#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/program.h"
#include "app/program_mqtt.h"
#include "app/program_window.h"

namespace {

void printPortFailure(const kavtra::PortFailure& failure) {
    std::fprintf(stderr, "kavtra: %s\n", failure.message.c_str());
}

// A port that cannot be opened ends the program at once, before anything has
// been written to either file. The port is opened before the window exists;
// should a failure still arrive while the message is shown, it ends at once.
[[noreturn]] void endForPortWithMessage(const kavtra::PortFailure& failure) {
    static bool reporting = false;
    if (reporting) std::_Exit(1);
    reporting = true;
    printPortFailure(failure);
    QMessageBox::critical(nullptr, QStringLiteral("Кавтра"), QString::fromStdString(failure.message));
    std::_Exit(1);
}

[[noreturn]] void endForPort(const kavtra::PortFailure& failure) {
    printPortFailure(failure);
    std::_Exit(1);
}

bool withoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-window") == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Without a window no widget is ever made, and no display is needed.
    const bool headless = withoutWindow(argc, argv);
    const std::unique_ptr<QCoreApplication> app =
        headless ? std::make_unique<QCoreApplication>(argc, argv) : std::make_unique<QApplication>(argc, argv);
    // The program speaks Russian, its message-box buttons included.
    QTranslator qtTexts;
    if (!headless && qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    kavtra::Program program(QCoreApplication::applicationDirPath().toStdString(),
                            headless ? endForPort : endForPortWithMessage);
    std::unique_ptr<kavtra::ProgramWindow> window;
    if (headless)
        program.runner.startSequence();
    else
        window = std::make_unique<kavtra::ProgramWindow>(program);

    // Both modes are running here. Whatever controls the outputs from outside
    // the window (the command socket) hooks in at this point: it changes them
    // through program.engine, and program.showWindow brings the window up.
    const kavtra::ProgramMqtt mqtt(program);
    return app->exec();
}
