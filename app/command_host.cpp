#include "app/command_host.h"

namespace kavtra {

CommandHost::CommandHost(Program& program, std::unique_ptr<QLocalServer> server, WindowShower* window)
    : server_(std::move(server), [&core = program.core, window](const Command& command) {
          return core.execute({command, Source::CommandLine}, window);
      }) {
    // The process ends without running destructors: the socket's file would
    // stay behind.
    program.runner.addFinalStep([this] { server_.close(); });
}

}  // namespace kavtra
