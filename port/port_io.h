#pragma once

#include <cstdint>
#include <string>

namespace kavtra {

// Register addresses of the first parallel port.
inline constexpr std::int16_t kDataRegister = 888;
inline constexpr std::int16_t kStatusRegister = 889;
inline constexpr std::int16_t kControlRegister = 890;

// The two primitive register operations every backend offers, shaped like the
// port-I/O DLL's entry points. LPT builds every control-pin change as a
// read-modify-write, so a backend must return from Inp32(kControlRegister)
// exactly the byte last written there, in all eight bits, even where the
// hardware cannot read it back.
class PortIo {
public:
    virtual ~PortIo() = default;
    // Returns the byte read in the low 8 bits.
    virtual std::int16_t Inp32(std::int16_t address) = 0;
    // Only the low byte of value reaches the register.
    virtual void Out32(std::int16_t address, std::int16_t value) = 0;
    // Why the last read of the status register gave no levels (a driver that
    // refuses it), empty when it read: the inputs then stay unknown, while
    // the outputs, which never read it, work on.
    virtual std::string statusFault() const { return {}; }
    // How many accesses the driver refused so far (ppdev's ioctls; direct
    // I/O and the DLL cannot refuse one): a transfer with such an access did
    // not reach the board whole.
    virtual std::uint64_t refusedAccesses() const { return 0; }
};

}  // namespace kavtra
