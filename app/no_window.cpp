#include "app/no_window.h"

#include <QCoreApplication>

#include <cstdlib>
#include <string>

#include "app/console.h"
#include "app/copy_start.h"
#include "app/program.h"
#include "app/program_transports.h"
#include "control/command_client.h"

namespace kavtra {

int runWithoutWindow(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string executableDir = QCoreApplication::applicationDirPath().toStdString();
    CopyStart start = claimOrHandOver(socketPlaceFor(executableDir), false);
    if (!start.server) return start.exitStatus;
    // A port that cannot be opened ends the start at once, and it is a
    // normal end: the socket goes with it.
    Program program(executableDir, [&start](const PortFailure& failure) {
        start.server.reset();
        printLine(stderr, "kavtra: " + failure.message);
        std::_Exit(kExitCouldNotStart);
    });
    const ProgramTransports transports(program, std::move(start.server));
    return QCoreApplication::exec();
}

}  // namespace kavtra
