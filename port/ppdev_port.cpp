#include "port/ppdev_port.h"

#include <fcntl.h>
#include <sys/ioctl.h>
// <linux/ppdev.h> relies on the ioctl macros above.
#include <linux/ppdev.h>

#include <cerrno>
#include <cstring>

#include "port/port_messages.h"

namespace kavtra {
namespace {

// Control bits ppdev writes with PPWCONTROL: strobe, autofeed, init, select
// (pins 1, 14, 16, 17). Bit 5 there would switch the lines to input but
// clearing it would not switch them back, so direction goes by PPDATADIR.
constexpr std::uint8_t kPinBits = 0x0F;
constexpr std::uint8_t kDirectionBit = 0x20;

}  // namespace

PpdevPort::PpdevPort(std::string device, PortFailureHandler onFailure, LinuxSys& sys)
    : HardwarePort(std::move(onFailure)), device_(std::move(device)), sys_(sys) {}

PpdevPort::~PpdevPort() {
    if (fd_ < 0) return;
    sys_.ioctl(fd_, PPRELEASE, nullptr);
    sys_.close(fd_);
}

std::optional<PpdevPort::ClaimError> PpdevPort::claim(bool exclusive) {
    fd_ = sys_.open(device_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) return ClaimError{true, errno};
    if ((!exclusive || sys_.ioctl(fd_, PPEXCL, nullptr) == 0) && sys_.ioctl(fd_, PPCLAIM, nullptr) == 0)
        return std::nullopt;
    const int error = errno;
    sys_.close(fd_);
    fd_ = -1;
    return ClaimError{false, error};
}

std::optional<PortFailure> PpdevPort::open(std::uint8_t& control) {
    std::optional<ClaimError> failure = claim(true);
    // ppdev refuses an exclusive claim (ENXIO) while another driver, the
    // printer driver typically, is registered on the port. Sharing is safe:
    // the claim is held for the whole run, so the other driver cannot use the
    // port in between.
    if (failure && !failure->atOpen && failure->error == ENXIO) failure = claim(false);
    if (failure) return failureFor(*failure);

    // The claim puts the port into the driver's state for this device: lines
    // driven (bit 5 clear), pins as PPRCONTROL reports them.
    unsigned char pins = 0;
    if (sys_.ioctl(fd_, PPRCONTROL, &pins) != 0) return failureFor({false, errno});
    control = static_cast<std::uint8_t>(pins & kPinBits);
    return std::nullopt;
}

PortFailure PpdevPort::failureFor(const ClaimError& failure) {
    const std::string systemText = std::strerror(failure.error);
    switch (failure.error) {
    case EACCES:
    case EPERM: return port_messages::noAccess(device_, sys_.groupOf(device_.c_str()), sys_.userName());
    case ENOENT:
    case ENODEV: return port_messages::noDevice(device_, systemText);
    case ENXIO:
        // At open: no port behind this minor. At the claim, even shared: an
        // exclusive holder is registered.
        return failure.atOpen ? port_messages::noDevice(device_, systemText) : port_messages::busy(device_);
    case EBUSY: return port_messages::busy(device_);
    default: return port_messages::deviceError(device_, systemText);
    }
}

std::uint8_t PpdevPort::readByte(unsigned long request) {
    unsigned char value = 0xFF;
    access(request, &value);
    return value;
}

void PpdevPort::writeByte(unsigned long request, std::uint8_t value) {
    unsigned char byte = value;
    access(request, &byte);
}

void PpdevPort::access(unsigned long request, void* argument) {
    if (sys_.ioctl(fd_, request, argument) != 0) ++refused_;
}

std::uint8_t PpdevPort::readData() { return readByte(PPRDATA); }

// The raw status byte, as the hardware gives it: LPT does the inversion. A
// driver that refuses it leaves the byte meaningless, so the refusal is kept.
std::uint8_t PpdevPort::readStatus() {
    unsigned char value = 0xFF;
    statusFault_ = sys_.ioctl(fd_, PPRSTATUS, &value) == 0 ? std::string()
                                                           : device_ + ": PPRSTATUS: " + std::strerror(errno);
    return value;
}

void PpdevPort::writeData(std::uint8_t value) { writeByte(PPWDATA, value); }

void PpdevPort::writeControl(std::uint8_t value, std::uint8_t previous) {
    if ((value ^ previous) & kDirectionBit) {
        int reverse = (value & kDirectionBit) ? 1 : 0;
        access(PPDATADIR, &reverse);
    }
    writeByte(PPWCONTROL, static_cast<std::uint8_t>(value & kPinBits));
}

}  // namespace kavtra
