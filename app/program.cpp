#include "app/program.h"

#include <QMetaObject>

#include <cstdio>
#include <cstdlib>

#include "persist/paths/files_dir.h"

namespace kavtra {
namespace {

std::unique_ptr<PortStack> openedPort(const PortFailureHandler& onFailure, const ModelledBoardOffer& offer,
                                      std::optional<PortFailure>& unopened) {
    // Opened before anything reads or writes either file: a port that cannot
    // be opened ends the program with both files untouched, unless the user
    // goes on with the model, which keeps the trace that was asked for.
    const PortEnvironment environment = portEnvironment();
    std::unique_ptr<PortStack> port = buildPortStack(environment, onFailure);
    std::optional<PortFailure> failure = port->open();
    if (!failure) return port;
    if (!offer || !offer(*failure)) reportPortFailure(onFailure, *failure);
    unopened = std::move(failure);
    return buildPortStack({"sim", environment.trace}, onFailure);
}

std::unique_ptr<ShiftBoard> boardOn(PortStack& port) {
    SimulatedPort* simulated = port.simulated();
    if (!simulated) return nullptr;
    auto board = std::make_unique<ShiftBoard>(simulated->registers().control);
    port.tap().addListener(board->listener());
    return board;
}

}  // namespace

Program::Program(const std::string& exeDir, PortFailureHandler onPortFailure, const ModelledBoardOffer& offer)
    : executableDir(exeDir),
      port(openedPort(onPortFailure, offer, unopenedPort)),
      board(boardOn(*port)),
      filesDir(filesDirectory(exeDir)),
      plant(port->lpt(), filesDir, {timers, deadTimes, calendar, calendar, systemZone()},
            [this](std::function<void()> call) {
                QMetaObject::invokeMethod(&timers, std::move(call), Qt::QueuedConnection);
            }),
      // The exit sequence ends the process at once: no handler runs after it.
      runner(plant,
             [this] {
                 if (atEnd_) atEnd_();
                 std::_Exit(0);
             }),
      exitSignals_([this] { runner.exitSequence(); }) {
    for (const RuleProblem& problem : plant.rules.problems())
        std::fprintf(stderr, "kavtra: %s\n", problemText(problem).c_str());
    std::fflush(stderr);
    runner.startSequence();
}

}  // namespace kavtra
