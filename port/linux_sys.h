#pragma once

#include <cstdint>
#include <string>

namespace kavtra {

// The few system calls the Linux backends make, behind one interface so that
// tests can fake the kernel: its answers, its failures and the exact order of
// the calls. Calls that fail return -1 and set errno, like the real ones.
class LinuxSys {
public:
    virtual ~LinuxSys() = default;

    virtual int open(const char* path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0;

    virtual int ioperm(unsigned long from, unsigned long count, int turnOn) = 0;
    virtual std::uint8_t inb(std::uint16_t port) = 0;
    virtual void outb(std::uint8_t value, std::uint16_t port) = 0;

    // Name of the group owning the file ("" when it cannot be told).
    virtual std::string groupOf(const char* path) = 0;
    // Login name of the user running the program.
    virtual std::string userName() = 0;
    virtual bool isRoot() = 0;
};

// The real kernel.
LinuxSys& systemLinuxSys();

}  // namespace kavtra
