#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "port/lpt.h"
#include "port/port_failure.h"
#include "port/port_tap.h"
#include "port/simulated_port.h"

namespace kavtra {

// What the environment asks for: KAVTRA_PORT and KAVTRA_PORT_TRACE.
struct PortEnvironment {
    std::optional<std::string> port;
    std::optional<std::string> trace;
};

PortEnvironment portEnvironment();

// Which backend a KAVTRA_PORT value picks.
struct PortChoice {
    enum class Kind { Simulated, Ppdev, DirectIo, InpOut };
    Kind kind;
    std::string device;      // the ppdev node
    std::uint16_t base = 0;  // the I/O base of direct I/O and of the DLL
};

// Unset or empty: this system's usual port (/dev/parport0 on Linux, the DLL
// at 0x378 on Windows). "sim", "/dev/parportN" (Linux), "io:0x378" (any base,
// in hex, "0x" optional). Anything else is refused, and so is a choice this
// system cannot serve.
std::variant<PortChoice, PortFailure> choosePort(const std::optional<std::string>& value);

// The port as the program uses it: the backend, a tap that every listener
// (the trace file, the model of the board) hangs on, and LPT over the tap.
class PortStack {
public:
    PortStack(std::unique_ptr<PortIo> backend, std::string name);
    PortStack(const PortStack&) = delete;
    PortStack& operator=(const PortStack&) = delete;

    // Opens a real port now rather than at its first access, and returns why
    // it cannot be opened: the program then decides before it has a window,
    // whose timers would otherwise go on running (and saving) under the
    // message. Nothing is told to the failure handler.
    std::optional<PortFailure> open();

    LPT& lpt() { return lpt_; }
    PortTap& tap() { return tap_; }
    // The simulated port, or nullptr on a real one.
    SimulatedPort* simulated() { return dynamic_cast<SimulatedPort*>(backend_.get()); }
    // "sim", "/dev/parport0", "io:0x378", ...
    const std::string& name() const { return name_; }

private:
    std::unique_ptr<PortIo> backend_;
    std::string name_;
    PortTap tap_;
    LPT lpt_;
};

// Builds the port the environment asks for, with its trace file. Opens
// nothing: a real port is opened at its first access, and a failure then, or
// a bad choice or trace file now, goes to onFailure, which should end the
// program. The simulated port takes its inputs from the file that
// KAVTRA_PORT_INPUTS names, when it is set.
std::unique_ptr<PortStack> buildPortStack(const PortEnvironment& environment, PortFailureHandler onFailure);

}  // namespace kavtra
