#pragma once

#include <cstdint>
#include <string>

#include "port/hardware_port.h"
#include "port/linux_sys.h"

namespace kavtra {

// A parallel port at any I/O base through the processor's in and out
// instructions (ioperm, inb, outb). Needs root and a kernel that is not
// locked down; it exists for ports ppdev does not serve. The permission
// belongs to the thread that asked for it, which is why it is asked for at
// the first access, on the thread that then drives the port.
class DirectIoPort final : public HardwarePort {
public:
    DirectIoPort(std::uint16_t base, PortFailureHandler onFailure, LinuxSys& sys = systemLinuxSys());

    std::uint16_t base() const { return base_; }
    // "io:0x378"
    std::string device() const;

protected:
    std::optional<PortFailure> open(std::uint8_t& control) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;
    void writeData(std::uint8_t value) override;
    void writeControl(std::uint8_t value, std::uint8_t previous) override;

private:
    void selectPs2Mode(std::uint8_t control);

    std::uint16_t base_;
    LinuxSys& sys_;
};

}  // namespace kavtra
