#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "port/port_io.h"

namespace kavtra {

// The status lines the board leaves free are the program's inputs 1 to 5:
// pins 10 (nAck), 11 (Busy), 12 (Paper-out), 13 (Select) and 15 (nError).
inline constexpr std::size_t kInputs = 5;
inline constexpr std::array<std::int32_t, kInputs> kInputPins = {10, 11, 12, 13, 15};
using InputLevels = std::array<bool, kInputs>;  // true: the pin is high

// The port routines: register and DB-25 pin access over a PortIo. Levels are
// electrical levels on the connector (1 = high), never register bits. LPT keeps
// no copy of any register: every control change reads the register first.
// Defined here so that a caller passing constant pin numbers (the transfer)
// pays for the two register accesses and nothing else.
class LPT {
public:
    explicit LPT(PortIo& io) : io_(io) {}

    // true: the port stops driving the data lines (bit 5 set);
    // false: it drives them again (AND 0x1F, which also clears bits 6 and 7).
    void SetDataInput(bool enable) {
        const std::uint8_t control = lowByte(io_.Inp32(kControlRegister));
        io_.Out32(kControlRegister, enable ? control | kDirectionBit : control & kDriveDataMask);
    }

    // With a value: writes its low byte to the data register, returns 0.
    // Without: returns the byte read from the data register.
    std::int16_t DataPort(std::optional<std::int16_t> value = std::nullopt) {
        if (value) {
            io_.Out32(kDataRegister, *value);
            return 0;
        }
        return lowByte(io_.Inp32(kDataRegister));
    }

    // With a value: drives pin 1, 14, 16 or 17 (non-zero = high) and returns
    // empty. Without: reads pin 10, 11, 12, 13 or 15 and returns 0 or 1.
    // Any other pin is left alone: no port access, empty result.
    std::optional<std::int16_t> PortPin(std::int32_t pin, std::optional<std::int16_t> value = std::nullopt) {
        if (value) {
            const PinBit p = controlPin(pin);
            if (!p.mask) return std::nullopt;
            const std::uint8_t control = lowByte(io_.Inp32(kControlRegister));
            const bool high = *value != 0;
            io_.Out32(kControlRegister, high == p.inverted ? control & (kClearKeep & ~p.mask) : control | p.mask);
            return std::nullopt;
        }
        const PinBit p = statusPin(pin);
        if (!p.mask) return std::nullopt;
        const bool bitSet = (lowByte(io_.Inp32(kStatusRegister)) & p.mask) != 0;
        return static_cast<std::int16_t>(bitSet != p.inverted ? 1 : 0);
    }

    // The five inputs' levels from one read of the status register.
    InputLevels ReadInputs() {
        const std::uint8_t status = lowByte(io_.Inp32(kStatusRegister));
        InputLevels levels{};
        for (std::size_t i = 0; i < kInputs; ++i) {
            const PinBit p = statusPin(kInputPins[i]);
            levels[i] = ((status & p.mask) != 0) != p.inverted;
        }
        return levels;
    }
    // Why the last ReadInputs gave no levels, empty when it read them.
    std::string InputsFault() const { return io_.statusFault(); }
    std::uint64_t RefusedAccesses() const { return io_.refusedAccesses(); }
    // The status register a port shows for these levels (the simulated
    // port's, whose pins nothing drives); the other bits are 0.
    static constexpr std::uint8_t StatusOf(const InputLevels& levels) {
        std::uint8_t status = 0;
        for (std::size_t i = 0; i < kInputs; ++i) {
            const PinBit p = statusPin(kInputPins[i]);
            if (levels[i] != p.inverted) status = static_cast<std::uint8_t>(status | p.mask);
        }
        return status;
    }

private:
    struct PinBit {
        std::uint8_t mask;  // 0: not a pin of this register
        bool inverted;      // the port inverts: register bit 1 means the pin is low
    };

    static constexpr PinBit controlPin(std::int32_t pin) {
        switch (pin) {
        case 1: return {0x01, true};
        case 14: return {0x02, true};
        case 16: return {0x04, false};
        case 17: return {0x08, true};
        default: return {0, false};
        }
    }

    static constexpr PinBit statusPin(std::int32_t pin) {
        switch (pin) {
        case 10: return {0x40, false};
        case 11: return {0x80, true};
        case 12: return {0x20, false};
        case 13: return {0x10, false};
        case 15: return {0x08, false};
        default: return {0, false};
        }
    }

    static constexpr std::uint8_t lowByte(std::int16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

    // The clearing masks keep bits 0 to 5 but the pin's own, so they drop
    // bits 6 and 7, as the routines always have.
    static constexpr std::uint8_t kClearKeep = 0x3F;
    static constexpr std::uint8_t kDirectionBit = 0x20;
    static constexpr std::uint8_t kDriveDataMask = 0x1F;

    PortIo& io_;
};

}  // namespace kavtra
