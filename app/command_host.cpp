#include "app/command_host.h"

#include <algorithm>

namespace kavtra {

CommandHost::CommandHost(Program& program, std::unique_ptr<QLocalServer> server, WindowShower* window)
    : server_(
          std::move(server),
          [&core = program.plant.core, window](const Command& command, CommandServer::Answer answer) {
              core.execute({command, Source::CommandLine}, std::move(answer), window);
          },
          [&engine = program.plant.engine] {
              std::chrono::milliseconds longest{0};
              for (const Interlock& interlock : engine.interlocks()) longest = std::max(longest, interlock.deadTime);
              return longest;
          }) {
    // The process ends without running destructors: the socket's file would
    // stay behind.
    program.plant.addFinalStep([this] { server_.close(); });
}

}  // namespace kavtra
