#pragma once

#include <cstdint>
#include <optional>

#include "port/port_io.h"

namespace kavtra {

// The port routines: register and DB-25 pin access over a PortIo. Levels are
// electrical levels on the connector (1 = high), never register bits. LPT keeps
// no copy of any register: every control change reads the register first.
class LPT {
public:
    explicit LPT(PortIo& io) : io_(io) {}

    // true: the port stops driving the data lines (bit 5 set);
    // false: it drives them again (AND 0x1F, which also clears bits 6 and 7).
    void SetDataInput(bool enable);

    // With a value: writes its low byte to the data register, returns 0.
    // Without: returns the byte read from the data register.
    std::int16_t DataPort(std::optional<std::int16_t> value = std::nullopt);

    // With a value: drives pin 1, 14, 16 or 17 (non-zero = high) and returns
    // empty. Without: reads pin 10, 11, 12, 13 or 15 and returns 0 or 1.
    // Any other pin is left alone: no port access, empty result.
    std::optional<std::int16_t> PortPin(std::int32_t pin,
                                        std::optional<std::int16_t> value = std::nullopt);

    PortIo& io() { return io_; }

private:
    PortIo& io_;
};

}  // namespace kavtra
