#include "app/program_transports.h"

namespace kavtra {

ProgramTransports::ProgramTransports(Program& program, std::unique_ptr<QLocalServer> server, const Window& window)
    : mqtt_(program),
      web_(program, [this] { return mqtt_.connected(); }),
      window_(window ? window(web_, mqtt_) : nullptr),
      commands_(program, std::move(server), window_.get()) {}

}  // namespace kavtra
