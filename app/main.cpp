#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/program.h"
#include "app/program_window.h"
#include "control/command_client.h"
#include "control/command_executor.h"
#include "control/command_line.h"
#include "control/command_server.h"
#include "control/output_pulses.h"
#include "control/single_copy.h"
#include "persist/files_dir.h"

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

void printLine(std::FILE* stream, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
}

const kavtra::ClientOutput kConsole = {[](const std::string& line) { printLine(stdout, line); },
                                       [](const std::string& line) { printLine(stderr, line); }};

QStringList localArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    // What was asked decides the application object: a command and the mode
    // without a window never make a widget, nor need a display.
    const kavtra::CommandLine asked = kavtra::parseCommandLine(localArguments(argc, argv));
    switch (asked.action) {
    case kavtra::CommandLine::Action::Help: std::fputs(kavtra::helpText().c_str(), stdout); return kavtra::kExitDone;
    case kavtra::CommandLine::Action::Version: std::fputs(kavtra::versionText().c_str(), stdout); return kavtra::kExitDone;
    case kavtra::CommandLine::Action::BadUsage: printLine(stderr, asked.message); return kavtra::kExitBadUsage;
    default: break;
    }
    const bool headless = asked.action != kavtra::CommandLine::Action::Window;
    // Commands and the check for a running copy need no widgets: a second
    // start answers at once, with a display or without one.
    std::unique_ptr<QCoreApplication> app = std::make_unique<QCoreApplication>(argc, argv);
    // The application's own reading of the arguments: on Windows it has them
    // in UTF-16, where argv holds them in the system's code page.
    const kavtra::CommandLine line = kavtra::parseCommandLine(QCoreApplication::arguments());
    const std::string executableDir = QCoreApplication::applicationDirPath().toStdString();
    const kavtra::SocketPlace place =
        kavtra::commandSocketPlace(QString::fromStdString(kavtra::filesDirectory(executableDir)));
    if (line.action == kavtra::CommandLine::Action::Send) return kavtra::sendCommand(place.serverName, *line.command, kConsole);

    // Before the port is opened and before anything is written: a second copy
    // on the same files would undo the first one's changes with its own.
    kavtra::SingleCopy copy = kavtra::claimSingleCopy(place);
    if (copy.outcome == kavtra::SingleCopy::Outcome::Claimed && !headless) {
        // The window needs the application object of widgets, and the socket
        // has to be served by its event loop: claimed again under it. Should
        // another copy have started in between, it is the one that runs.
        copy.server.reset();
        app.reset();
        app = std::make_unique<QApplication>(argc, argv);
        copy = kavtra::claimSingleCopy(place);
    }
    if (copy.outcome == kavtra::SingleCopy::Outcome::Failed) {
        printLine(stderr, "kavtra: " + copy.failure.toStdString());
        return 1;
    }
    if (copy.outcome == kavtra::SingleCopy::Outcome::AnotherRuns) {
        if (headless) {
            printLine(stderr, "kavtra: программа уже запущена для этой папки данных; команды передаются ей: kavtra --help");
            return 1;
        }
        return kavtra::sendCommand(place.serverName, kavtra::ShowCommand{}, kConsole);
    }

    // The program speaks Russian, its message-box buttons included.
    QTranslator qtTexts;
    if (!headless && qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    kavtra::Program program(executableDir, headless ? endForPort : endForPortWithMessage);
    std::unique_ptr<kavtra::ProgramWindow> window;
    if (headless)
        program.runner.startSequence();
    else
        window = std::make_unique<kavtra::ProgramWindow>(program);

    kavtra::OutputPulses pulses(program.engine);
    program.runner.addExitStep([&pulses] { pulses.returnAll(); });
    kavtra::CommandExecutor executor(program.engine, pulses, program.showWindow);
    kavtra::CommandServer server(std::move(copy.server), [&executor](const kavtra::Command& command) { return executor(command); });
    return app->exec();
}
