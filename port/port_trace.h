#pragma once

#include <memory>
#include <string>

#include "port/port_tap.h"

namespace kavtra {

// One line per register access: "W 888 0x01" or "R 890 0x0b".
std::string formatTraceLine(const PortAccess& access);

// Appends the trace lines of a PortTap to a file. Each line is handed to the
// kernel at once with its own write(), so the trace is complete even when the
// program ends without unwinding; at the default transfer period that is
// about two thousand short writes a second, well below a percent of a core.
class PortTrace {
public:
    // Empty when the file cannot be opened; error then says why.
    static std::unique_ptr<PortTrace> open(const std::string& path, std::string& error);
    ~PortTrace();
    PortTrace(const PortTrace&) = delete;
    PortTrace& operator=(const PortTrace&) = delete;

    void operator()(const PortAccess& access) const;

private:
    explicit PortTrace(int fd) : fd_(fd) {}
    int fd_;
};

// The listener to add to a PortTap; it shares ownership of the trace.
PortListener traceListener(std::shared_ptr<PortTrace> trace);

}  // namespace kavtra
