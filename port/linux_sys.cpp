#include "port/linux_sys.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define KAVTRA_HAS_PORT_IO 1
#endif

namespace kavtra {
namespace {

class SystemLinuxSys final : public LinuxSys {
public:
    int open(const char* path, int flags) override { return ::open(path, flags); }
    int close(int fd) override { return ::close(fd); }
    int ioctl(int fd, unsigned long request, void* argument) override { return ::ioctl(fd, request, argument); }

#ifdef KAVTRA_HAS_PORT_IO
    int ioperm(unsigned long from, unsigned long count, int turnOn) override { return ::ioperm(from, count, turnOn); }
    std::uint8_t inb(std::uint16_t port) override { return ::inb(port); }
    void outb(std::uint8_t value, std::uint16_t port) override { ::outb(value, port); }
#else
    int ioperm(unsigned long, unsigned long, int) override {
        errno = ENOSYS;
        return -1;
    }
    std::uint8_t inb(std::uint16_t) override { return 0xFF; }
    void outb(std::uint8_t, std::uint16_t) override {}
#endif

    std::string groupOf(const char* path) override {
        struct stat info {};
        if (::stat(path, &info) != 0) return {};
        if (const struct group* g = ::getgrgid(info.st_gid)) return g->gr_name;
        // Group 0 is root even where the group database cannot be read.
        return info.st_gid == 0 ? "root" : std::to_string(info.st_gid);
    }

    std::string userName() override {
        if (const struct passwd* p = ::getpwuid(::geteuid())) return p->pw_name;
        if (const char* user = std::getenv("USER")) return user;
        return "USER";
    }

    bool isRoot() override { return ::geteuid() == 0; }
};

}  // namespace

LinuxSys& systemLinuxSys() {
    static SystemLinuxSys sys;
    return sys;
}

}  // namespace kavtra
