#include "port/hardware_port.h"

namespace kavtra {

std::optional<PortFailure> HardwarePort::openNow() {
    if (open_) return std::nullopt;
    std::uint8_t control = 0;
    if (std::optional<PortFailure> failure = open(control)) return failure;
    control_ = control;
    open_ = true;
    return std::nullopt;
}

void HardwarePort::ensureOpen() {
    if (std::optional<PortFailure> failure = openNow()) reportPortFailure(onFailure_, *failure);
}

std::int16_t HardwarePort::Inp32(std::int16_t address) {
    ensureOpen();
    switch (address) {
    case kDataRegister: return readData();
    case kStatusRegister: return readStatus();
    case kControlRegister: return control_;
    default: return 0xFF;  // like an I/O address where nothing answers
    }
}

void HardwarePort::Out32(std::int16_t address, std::int16_t value) {
    ensureOpen();
    const auto byte = static_cast<std::uint8_t>(value & 0xFF);
    switch (address) {
    case kDataRegister: writeData(byte); break;
    case kControlRegister:
        writeControl(byte, control_);
        control_ = byte;
        break;
    default: break;
    }
}

}  // namespace kavtra
