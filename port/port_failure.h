#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace kavtra {

// Why a port could not be opened, in words a user can act on: the device,
// the reason, and what to do about it.
struct PortFailure {
    std::string device;   // "/dev/parport0", "io:0x378", "inpoutx64.dll", ...
    std::string message;  // the whole text to show, naming the device
};

// Told of a port that cannot be opened. The program's handler shows the
// message and ends the process; it is not expected to return.
using PortFailureHandler = std::function<void(const PortFailure&)>;

// Thrown by a backend when its failure handler did return, so that no caller
// ever goes on as if the access had reached the port.
class PortUnavailable : public std::runtime_error {
public:
    explicit PortUnavailable(const PortFailure& failure) : std::runtime_error(failure.message), failure_(failure) {}
    const PortFailure& failure() const { return failure_; }

private:
    PortFailure failure_;
};

// Calls the handler and, should it return, throws PortUnavailable.
[[noreturn]] void reportPortFailure(const PortFailureHandler& handler, const PortFailure& failure);

}  // namespace kavtra
