#include "app/command_host.h"

namespace kavtra {

CommandHost::CommandHost(Program& program, std::unique_ptr<QLocalServer> server, WindowShower* window)
    : core_(program.engine, program.pulses, window), server_(std::move(server), [this](const Command& command) {
          return core_.execute({command, Source::CommandLine});
      }) {}

}  // namespace kavtra
