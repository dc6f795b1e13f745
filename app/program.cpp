#include "app/program.h"

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
      config(configPath(filesDir)),
      data(dataPath(filesDir)),
      settings(config),
      engine(data, port->lpt()),
      pulses(engine, timers),
      // The exit sequence ends the process at once: no handler runs after it.
      runner(settings, engine, [] { std::_Exit(0); }),
      exitSignals_([this] { runner.exitSequence(); }) {
    runner.addExitStep([this] { pulses.returnAll(); });
}

}  // namespace kavtra
