#include "port/lpt.h"

#include <array>

namespace kavtra {
namespace {

struct PinBit {
    std::int32_t pin;
    std::uint8_t mask;
    bool inverted;  // the port inverts: register bit 1 means the pin is low
};

constexpr std::array<PinBit, 4> kControlPins{{
    {1, 0x01, true},
    {14, 0x02, true},
    {16, 0x04, false},
    {17, 0x08, true},
}};

constexpr std::array<PinBit, 5> kStatusPins{{
    {10, 0x40, false},
    {11, 0x80, true},
    {12, 0x20, false},
    {13, 0x10, false},
    {15, 0x08, false},
}};

template <std::size_t N>
const PinBit* findPin(const std::array<PinBit, N>& pins, std::int32_t pin) {
    for (const PinBit& p : pins) {
        if (p.pin == pin) return &p;
    }
    return nullptr;
}

// The clearing masks of the pin map keep bits 0 to 5 but the pin's own, so
// they drop bits 6 and 7 as the original hardware routines did.
constexpr std::uint8_t kClearKeep = 0x3F;
constexpr std::uint8_t kDirectionBit = 0x20;
constexpr std::uint8_t kDriveDataMask = 0x1F;

std::uint8_t lowByte(std::int16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

void LPT::SetDataInput(bool enable) {
    const std::uint8_t control = lowByte(io_.Inp32(kControlRegister));
    const std::uint8_t next = enable ? static_cast<std::uint8_t>(control | kDirectionBit)
                                     : static_cast<std::uint8_t>(control & kDriveDataMask);
    io_.Out32(kControlRegister, next);
}

std::int16_t LPT::DataPort(std::optional<std::int16_t> value) {
    if (value) {
        io_.Out32(kDataRegister, *value);
        return 0;
    }
    return lowByte(io_.Inp32(kDataRegister));
}

std::optional<std::int16_t> LPT::PortPin(std::int32_t pin, std::optional<std::int16_t> value) {
    if (value) {
        const PinBit* p = findPin(kControlPins, pin);
        if (!p) return std::nullopt;
        const bool high = *value != 0;
        const std::uint8_t control = lowByte(io_.Inp32(kControlRegister));
        const bool clear = high == p->inverted;
        const std::uint8_t next = clear ? static_cast<std::uint8_t>(control & (kClearKeep & ~p->mask))
                                        : static_cast<std::uint8_t>(control | p->mask);
        io_.Out32(kControlRegister, next);
        return std::nullopt;
    }
    const PinBit* p = findPin(kStatusPins, pin);
    if (!p) return std::nullopt;
    const bool bitSet = (lowByte(io_.Inp32(kStatusRegister)) & p->mask) != 0;
    return static_cast<std::int16_t>(bitSet != p->inverted ? 1 : 0);
}

}  // namespace kavtra
