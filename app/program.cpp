#include "app/program.h"

#include <cstdlib>

#include "persist/paths/files_dir.h"

namespace kavtra {
namespace {

clsINI pointedAt(const std::string& path) {
    clsINI ini;
    ini.FileName(path);
    return ini;
}

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
      // The two files lie beside the executable, unless the program may not
      // write there.
      programDir(filesDirectory(exeDir)),
      config(pointedAt(configPath(programDir))),
      data(pointedAt(dataPath(programDir))),
      settings(config),
      engine(data, port->lpt()),
      // The exit sequence ends the process at once: no handler runs after it.
      runner(settings, engine,
             [this] {
                 if (beforeEnd) beforeEnd();
                 std::_Exit(0);
             }),
      exitSignals_([this] { runner.exitSequence(); }) {}

}  // namespace kavtra
