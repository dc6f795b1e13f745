#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_host.h"
#include "app/console.h"
#include "app/copy_start.h"
#include "app/program.h"
#include "app/program_mqtt.h"
#include "app/window_program.h"
#include "control/command_client.h"
#include "control/command_line.h"

namespace {

[[noreturn]] void endForPort(const kavtra::PortFailure& failure) {
    kavtra::printLine(stderr, "kavtra: " + failure.message);
    std::_Exit(kavtra::kExitCouldNotStart);
}

QStringList localArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

// The program as users and scripts start it: it answers --help, --version
// and bad usage at once, hands a command to the running copy, runs the mode
// without a window itself, and hands a start with the window over to the
// window's program. No widget is made here, nor needed.
int main(int argc, char** argv) {
    using kavtra::CommandLine;
    kavtra::useUtf8Console();
    const CommandLine asked = kavtra::parseCommandLine(localArguments(argc, argv));
    switch (asked.action) {
    case CommandLine::Action::Help: std::fputs(kavtra::helpText().c_str(), stdout); return kavtra::kExitDone;
    case CommandLine::Action::Version: std::fputs(kavtra::versionText().c_str(), stdout); return kavtra::kExitDone;
    case CommandLine::Action::BadUsage: kavtra::printLine(stderr, asked.message); return kavtra::kExitBadUsage;
    default: break;
    }
    QCoreApplication app(argc, argv);
    // The application's own reading of the arguments: on Windows it has them
    // in UTF-16, where argv holds them in the system's code page.
    const CommandLine line = kavtra::parseCommandLine(QCoreApplication::arguments());
    const std::string executableDir = QCoreApplication::applicationDirPath().toStdString();
    const kavtra::SocketPlace place = kavtra::socketPlaceFor(executableDir);
    if (line.action == CommandLine::Action::Send)
        return kavtra::sendCommand(place.serverName, *line.command, kavtra::consoleOutput());

    if (line.action == CommandLine::Action::Window) {
        // A running copy shows its window; without one, the window's program
        // starts, and makes the check for a running copy as its own start.
        std::vector<std::string> messages;
        const kavtra::ClientOutput quiet = {kavtra::consoleOutput().data,
                                            [&messages](const std::string& message) { messages.push_back(message); }};
        const int shown = kavtra::sendCommand(place.serverName, kavtra::ShowCommand{}, quiet);
        if (shown != kavtra::kExitNoRunningCopy) {
            for (const std::string& message : messages) kavtra::printLine(stderr, message);
            return shown;
        }
        return kavtra::runWindowProgram(argv);
    }

    kavtra::CopyStart start = kavtra::claimOrHandOver(place, false);
    if (!start.server) return start.exitStatus;
    kavtra::Program program(executableDir, endForPort);
    program.runner.startSequence();
    kavtra::CommandHost commands(program, std::move(start.server), nullptr);
    const kavtra::ProgramMqtt mqtt(program, commands.core());
    return QCoreApplication::exec();
}
