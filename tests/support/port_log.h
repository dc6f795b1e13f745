#pragma once

#include <string>
#include <vector>

#include "outputs/shift_board.h"
#include "outputs/transfer.h"
#include "port/lpt.h"
#include "port/port_tap.h"
#include "port/port_trace.h"
#include "port/simulated_port.h"

namespace kavtra::test {

// A simulated port whose every access is recorded as its trace line.
struct LoggedPort {
    explicit LoggedPort(SimulatedPort::Registers initial = {}) : sim(initial), tap(sim) {
        tap.addListener([this](const PortAccess& a) { log.push_back(formatTraceLine(a)); });
    }
    std::vector<std::string> writes() const {
        std::vector<std::string> out;
        for (const std::string& line : log)
            if (line[0] == 'W') out.push_back(line);
        return out;
    }
    SimulatedPort sim;
    PortTap tap;
    std::vector<std::string> log;
};

// The board model on a simulated port, initialised as at program start.
struct BoardOnPort {
    BoardOnPort() {
        tap.addListener(board.listener());
        Init_Outs(lpt);
    }
    SimulatedPort sim;
    PortTap tap{sim};
    ShiftBoard board;
    LPT lpt{tap};
};

}  // namespace kavtra::test
