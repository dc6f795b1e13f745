#include "app/program.h"

#include <QMetaObject>

#include <cstdio>
#include <cstdlib>

#include "persist/paths/files_dir.h"

namespace kavtra {
namespace {

std::unique_ptr<PortStack> openedPort(PortFailureHandler onFailure) {
    // Opened before anything reads or writes either file: a port that cannot
    // be opened ends the program with both files untouched.
    std::unique_ptr<PortStack> port = buildPortStack(portEnvironment(), std::move(onFailure));
    port->open();
    return port;
}

}  // namespace

Program::Program(const std::string& exeDir, PortFailureHandler onPortFailure)
    : executableDir(exeDir),
      port(openedPort(std::move(onPortFailure))),
      filesDir(filesDirectory(exeDir)),
      plant(port->lpt(), filesDir, {timers, deadTimes, calendar, calendar, systemZone()},
            [this](std::function<void()> call) {
                QMetaObject::invokeMethod(&timers, std::move(call), Qt::QueuedConnection);
            }),
      // The exit sequence ends the process at once: no handler runs after it.
      runner(plant, [] { std::_Exit(0); }),
      exitSignals_([this] { runner.exitSequence(); }) {
    for (const RuleProblem& problem : plant.rules.problems())
        std::fprintf(stderr, "kavtra: %s\n", problemText(problem).c_str());
    std::fflush(stderr);
    runner.startSequence();
}

}  // namespace kavtra
