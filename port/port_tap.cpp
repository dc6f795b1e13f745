#include "port/port_tap.h"

namespace kavtra {

std::int16_t PortTap::Inp32(std::int16_t address) {
    const std::int16_t value = inner_.Inp32(address);
    notify({PortAccess::Kind::Read, address, static_cast<std::uint8_t>(value & 0xFF)});
    return value;
}

void PortTap::Out32(std::int16_t address, std::int16_t value) {
    inner_.Out32(address, value);
    notify({PortAccess::Kind::Write, address, static_cast<std::uint8_t>(value & 0xFF)});
}

void PortTap::notify(const PortAccess& access) {
    for (const PortListener& listener : listeners_) listener(access);
}

}  // namespace kavtra
