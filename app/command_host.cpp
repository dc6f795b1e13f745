#include "app/command_host.h"

namespace kavtra {

CommandHost::CommandHost(Program& program, std::unique_ptr<QLocalServer> server)
    : pulses_(program.engine),
      executor_(program.engine, pulses_, program.showWindow),
      server_(std::move(server), [this](const Command& command) { return executor_(command); }) {
    program.runner.addExitStep([this] { pulses_.returnAll(); });
}

}  // namespace kavtra
