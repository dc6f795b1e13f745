#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "port/port_failure.h"
#include "port/port_io.h"

namespace kavtra {

// What every backend on a real port shares. It opens the port at the first
// access, so that a missing port is reported where the program first needs
// it, and on the thread that then uses it (direct I/O permission belongs to
// a thread). It keeps its own copy of the last control byte and answers
// control reads from it, in all eight bits: hardware cannot be trusted to read
// the register back (bit 5 is write-only on many chips, ppdev's read drops
// bits 4 to 7), and LPT builds every control change on that read.
// Addresses stay 888, 889 and 890 here; a backend maps them to its own base.
class HardwarePort : public PortIo {
public:
    explicit HardwarePort(PortFailureHandler onFailure) : onFailure_(std::move(onFailure)) {}

    std::int16_t Inp32(std::int16_t address) final;
    void Out32(std::int16_t address, std::int16_t value) final;

    // Opens the port now, if it is not open yet, without touching a register;
    // or returns why it cannot be opened, telling no one.
    std::optional<PortFailure> openNow();

protected:
    // Opens the port and sets control to the byte the port holds now; or
    // returns why it cannot be opened.
    virtual std::optional<PortFailure> open(std::uint8_t& control) = 0;
    virtual std::uint8_t readData() = 0;
    virtual std::uint8_t readStatus() = 0;
    virtual void writeData(std::uint8_t value) = 0;
    // previous: the byte last written (or found at opening).
    virtual void writeControl(std::uint8_t value, std::uint8_t previous) = 0;

private:
    void ensureOpen();

    PortFailureHandler onFailure_;
    bool open_ = false;
    std::uint8_t control_ = 0;
};

}  // namespace kavtra
