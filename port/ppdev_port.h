#pragma once

#include <cstdint>
#include <string>

#include "port/hardware_port.h"
#include "port/linux_sys.h"

namespace kavtra {

// A parallel port through Linux's ppdev driver (/dev/parportN): no root
// needed, only membership of the device's group (lp), and any port the
// kernel knows, PCIe cards included. One ioctl per register write; control
// reads cost nothing, and the data direction is switched only when it
// changes, since every switch writes a line to the kernel log.
class PpdevPort final : public HardwarePort {
public:
    PpdevPort(std::string device, PortFailureHandler onFailure, LinuxSys& sys = systemLinuxSys());
    ~PpdevPort() override;
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    const std::string& device() const { return device_; }
    std::string statusFault() const override { return statusFault_; }
    std::uint64_t refusedAccesses() const override { return refused_; }

protected:
    std::optional<PortFailure> open(std::uint8_t& control) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;
    void writeData(std::uint8_t value) override;
    void writeControl(std::uint8_t value, std::uint8_t previous) override;

private:
    struct ClaimError {
        bool atOpen;  // open() failed, rather than the claim
        int error;
    };
    // Opens and claims the port, exclusively when asked.
    std::optional<ClaimError> claim(bool exclusive);
    PortFailure failureFor(const ClaimError& failure);
    std::uint8_t readByte(unsigned long request);
    void writeByte(unsigned long request, std::uint8_t value);
    // An ioctl of a register access, its refusal counted.
    void access(unsigned long request, void* argument);

    std::string device_;
    LinuxSys& sys_;
    int fd_ = -1;
    std::string statusFault_;
    std::uint64_t refused_ = 0;
};

}  // namespace kavtra
