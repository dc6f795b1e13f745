#pragma once

#include <sys/ioctl.h>
// <linux/ppdev.h> relies on the ioctl macros above.
#include <linux/ppdev.h>

#include <cerrno>
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "port/linux_sys.h"

namespace kavtra::test {

// A kernel for the Linux backends to talk to. It logs every call in a
// readable line ("ioctl PPWDATA 0x01", "outb 0x0c 0x37a"), answers reads from
// values the test sets, and fails the calls the test names with the errno it
// gives ("open", "ioperm", or an ioctl's name such as "PPCLAIM").
class FakeLinuxSys final : public LinuxSys {
public:
    std::vector<std::string> log;
    std::map<std::uint16_t, std::uint8_t> inputs;  // what inb returns, per port
    unsigned char control = 0x0C;                  // what PPRCONTROL returns
    unsigned char status = 0x7F;
    unsigned char data = 0x00;
    std::string group = "lp";
    std::string user = "ivan";
    bool root = false;

    // The next `times` calls of that name fail with that errno.
    void fail(const std::string& call, int error, int times = 1) {
        for (int i = 0; i < times; ++i) failures_[call].push_back(error);
    }

    // The ioctl lines of the log, without "ioctl ".
    std::vector<std::string> ioctls() const {
        std::vector<std::string> out;
        for (const std::string& line : log)
            if (line.rfind("ioctl ", 0) == 0) out.push_back(line.substr(6));
        return out;
    }

    int open(const char* path, int) override {
        log.push_back(std::string("open ") + path);
        return failing("open") ? -1 : nextFd_++;
    }
    int close(int fd) override {
        log.push_back("close " + std::to_string(fd));
        return 0;
    }
    int ioctl(int, unsigned long request, void* argument) override {
        const std::string name = nameOf(request);
        std::string line = "ioctl " + name;
        if (request == PPWDATA || request == PPWCONTROL) line += " " + hex(*static_cast<unsigned char*>(argument));
        if (request == PPDATADIR) line += " " + std::to_string(*static_cast<int*>(argument));
        log.push_back(line);
        if (failing(name)) return -1;
        if (request == PPRCONTROL) *static_cast<unsigned char*>(argument) = control;
        if (request == PPRSTATUS) *static_cast<unsigned char*>(argument) = status;
        if (request == PPRDATA) *static_cast<unsigned char*>(argument) = data;
        return 0;
    }
    int ioperm(unsigned long from, unsigned long count, int turnOn) override {
        log.push_back("ioperm " + hex(from) + " " + std::to_string(count) + " " + std::to_string(turnOn));
        return failing("ioperm") ? -1 : 0;
    }
    std::uint8_t inb(std::uint16_t port) override {
        log.push_back("inb " + hex(port));
        const auto it = inputs.find(port);
        return it == inputs.end() ? 0xFF : it->second;
    }
    void outb(std::uint8_t value, std::uint16_t port) override {
        log.push_back("outb " + hex(value) + " " + hex(port));
    }
    std::string groupOf(const char*) override { return group; }
    std::string userName() override { return user; }
    bool isRoot() override { return root; }

private:
    static std::string hex(unsigned long value) {
        char text[16];
        std::snprintf(text, sizeof text, value > 0xFF ? "0x%lx" : "0x%02lx", value);
        return text;
    }
    static std::string nameOf(unsigned long request) {
        static const std::map<unsigned long, std::string> names{
            {PPCLAIM, "PPCLAIM"},       {PPRELEASE, "PPRELEASE"},   {PPEXCL, "PPEXCL"},
            {PPWDATA, "PPWDATA"},       {PPRDATA, "PPRDATA"},       {PPRSTATUS, "PPRSTATUS"},
            {PPWCONTROL, "PPWCONTROL"}, {PPRCONTROL, "PPRCONTROL"}, {PPFCONTROL, "PPFCONTROL"},
            {PPDATADIR, "PPDATADIR"},
        };
        const auto it = names.find(request);
        return it == names.end() ? "unknown" : it->second;
    }
    bool failing(const std::string& call) {
        auto it = failures_.find(call);
        if (it == failures_.end() || it->second.empty()) return false;
        errno = it->second.front();
        it->second.pop_front();
        return true;
    }

    std::map<std::string, std::deque<int>> failures_;
    int nextFd_ = 3;
};

}  // namespace kavtra::test
