#pragma once

#include <cstdint>

#include "port/port_io.h"

namespace kavtra {

// A parallel port in memory, for machines without one and for tests. Each
// register reads back what was last written to it; the status register holds
// whatever the test (or nothing: 0) put there, since nothing drives its pins.
class SimulatedPort final : public PortIo {
public:
    struct Registers {
        std::uint8_t data = 0;
        std::uint8_t status = 0;
        std::uint8_t control = 0;
    };

    SimulatedPort() = default;
    explicit SimulatedPort(Registers initial) : regs_(initial) {}

    std::int16_t Inp32(std::int16_t address) override;
    void Out32(std::int16_t address, std::int16_t value) override;

    const Registers& registers() const { return regs_; }
    void setStatus(std::uint8_t status) { regs_.status = status; }
    void setControl(std::uint8_t control) { regs_.control = control; }

private:
    std::uint8_t* registerAt(std::int16_t address);

    Registers regs_;
};

}  // namespace kavtra
