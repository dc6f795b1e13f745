#include "port/simulated_port.h"

namespace kavtra {

std::uint8_t* SimulatedPort::registerAt(std::int16_t address) {
    switch (address) {
    case kDataRegister: return &regs_.data;
    case kStatusRegister: return &regs_.status;
    case kControlRegister: return &regs_.control;
    default: return nullptr;
    }
}

std::int16_t SimulatedPort::Inp32(std::int16_t address) {
    // Like an unpopulated I/O address on a PC bus: reads 0xFF.
    const std::uint8_t* reg = registerAt(address);
    return reg ? *reg : std::int16_t{0xFF};
}

void SimulatedPort::Out32(std::int16_t address, std::int16_t value) {
    if (std::uint8_t* reg = registerAt(address)) *reg = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace kavtra
