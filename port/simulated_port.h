#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "port/lpt.h"
#include "port/port_io.h"

namespace kavtra {

// A parallel port in memory, for machines without one and for tests. The
// data and control registers read back what was last written to them. The
// status register holds the five inputs' levels, all low at first, as the
// board window sets them, or as a file says at each read of it.
class SimulatedPort final : public PortIo {
public:
    struct Registers {
        std::uint8_t data = 0;
        std::uint8_t status = LPT::StatusOf({});
        std::uint8_t control = 0;
    };

    SimulatedPort() = default;
    // With inputsFile, every read of the status register reads that file
    // anew: "0"/"1" for each of inputs 1 to 5 (KAVTRA_PORT_INPUTS).
    explicit SimulatedPort(Registers initial, std::optional<std::string> inputsFile = std::nullopt);

    std::int16_t Inp32(std::int16_t address) override;
    void Out32(std::int16_t address, std::int16_t value) override;

    Registers registers() const { return {data_, status_.load(std::memory_order_relaxed), control_}; }
    void setControl(std::uint8_t control) { control_ = control; }

    // The status register is the one thing another thread (the board
    // window's) changes while the port is in use, hence the atomic.
    void setStatus(std::uint8_t status) { status_.store(status, std::memory_order_relaxed); }
    void setInputs(const InputLevels& levels) { setStatus(LPT::StatusOf(levels)); }
    // One read of the status register, as the program's own reads see it.
    InputLevels inputs() { return LPT(*this).ReadInputs(); }
    bool inputsFromFile() const { return inputsFile_.has_value(); }

private:
    std::uint8_t readStatus();

    std::uint8_t data_ = 0;
    std::atomic<std::uint8_t> status_{LPT::StatusOf({})};
    std::uint8_t control_ = 0;
    const std::optional<std::string> inputsFile_;
};

}  // namespace kavtra
