#include "port/direct_io_port.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "port/port_messages.h"

namespace kavtra {
namespace {

constexpr unsigned kRegisters = 3;
// The extended control register of an ECP port.
constexpr unsigned kEcrOffset = 0x402;
constexpr std::uint8_t kEcrModeBits = 0xE0;
constexpr std::uint8_t kEcrPs2Mode = 0x20;
constexpr std::uint8_t kEcrFifoFlags = 0x03;
constexpr std::uint8_t kEcrFifoEmpty = 0x01;

}  // namespace

DirectIoPort::DirectIoPort(std::uint16_t base, PortFailureHandler onFailure, LinuxSys& sys)
    : HardwarePort(std::move(onFailure)), base_(base), sys_(sys) {}

std::string DirectIoPort::device() const {
    char text[16];
    std::snprintf(text, sizeof text, "io:0x%x", static_cast<unsigned>(base_));
    return text;
}

std::optional<PortFailure> DirectIoPort::open(std::uint8_t& control) {
    if (sys_.ioperm(base_, kRegisters, 1) != 0) {
        const int error = errno;
        switch (error) {
        case EPERM:
            return sys_.isRoot() ? port_messages::directIoLockedDown(device())
                                 : port_messages::directIoNeedsRoot(device());
        case ENOSYS: return port_messages::directIoUnsupported(device());
        default: return port_messages::directIoError(device(), std::strerror(error));
        }
    }
    control = sys_.inb(static_cast<std::uint16_t>(base_ + 2));
    selectPs2Mode(control);
    return std::nullopt;
}

// An ECP port in its power-up mode (standard) ignores control bit 5, so the
// data lines could never be released. In PS/2 mode bit 5 switches them.
// Without an ECR nothing answers at base + 0x402 and it reads 0xFF; on an
// old card that decodes only ten address bits it is the control register
// again. Only a byte that looks like an ECR (FIFO empty, not full) and is
// not the control register's is taken for one.
void DirectIoPort::selectPs2Mode(std::uint8_t control) {
    const unsigned ecr = base_ + kEcrOffset;
    if (ecr > 0xFFFF || sys_.ioperm(ecr, 1, 1) != 0) return;
    const auto ecrPort = static_cast<std::uint16_t>(ecr);
    const std::uint8_t value = sys_.inb(ecrPort);
    const bool looksLikeEcr = (value & kEcrFifoFlags) == kEcrFifoEmpty && value != control;
    if (looksLikeEcr && (value & kEcrModeBits) != kEcrPs2Mode)
        sys_.outb(static_cast<std::uint8_t>((value & ~kEcrModeBits) | kEcrPs2Mode), ecrPort);
}

std::uint8_t DirectIoPort::readData() { return sys_.inb(base_); }

std::uint8_t DirectIoPort::readStatus() { return sys_.inb(static_cast<std::uint16_t>(base_ + 1)); }

void DirectIoPort::writeData(std::uint8_t value) { sys_.outb(value, base_); }

void DirectIoPort::writeControl(std::uint8_t value, std::uint8_t) {
    sys_.outb(value, static_cast<std::uint16_t>(base_ + 2));
}

}  // namespace kavtra
