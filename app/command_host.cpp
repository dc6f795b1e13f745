#include "app/command_host.h"

namespace kavtra {

CommandHost::CommandHost(Program& program, std::unique_ptr<QLocalServer> server, WindowShower* window)
    : core_(program.engine, program.pulses, window), server_(std::move(server), [this](const Command& command) {
          return core_.execute({command, Source::CommandLine});
      }) {
    // The process ends without running destructors: the socket's file would
    // stay behind.
    program.runner.addFinalStep([this] { server_.close(); });
}

}  // namespace kavtra
