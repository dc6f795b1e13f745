#pragma once

#include <QLocalServer>

#include <functional>
#include <memory>

#include "app/command_host.h"
#include "app/program.h"
#include "app/program_mqtt.h"
#include "app/program_web.h"
#include "commands/command_core.h"

namespace kavtra {

// Every way in to the running program, put together the same way with a
// window or without: MQTT and the web access first (whose figures tell
// MQTT's state), then the window (which shows their states and changes the
// web's setting), then the command socket, which can show the window.
class ProgramTransports {
public:
    // Builds the window over the transports it shows; none without a window.
    using Window = std::function<std::unique_ptr<WindowShower>(ProgramWeb& web, ProgramMqtt& mqtt)>;
    ProgramTransports(Program& program, std::unique_ptr<QLocalServer> server, const Window& window = {});

private:
    ProgramMqtt mqtt_;
    ProgramWeb web_;
    std::unique_ptr<WindowShower> window_;
    CommandHost commands_;
};

}  // namespace kavtra
