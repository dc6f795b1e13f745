#include "app/no_window.h"

#include <QCoreApplication>

#include <cstdlib>
#include <string>

#include "app/command_host.h"
#include "app/console.h"
#include "app/copy_start.h"
#include "app/program.h"
#include "app/program_mqtt.h"
#include "app/program_web.h"
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
    CommandHost commands(program, std::move(start.server), nullptr);
    const ProgramMqtt mqtt(program);
    const ProgramWeb web(program);
    return QCoreApplication::exec();
}

}  // namespace kavtra
