#include "port/port_trace.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace kavtra {
namespace {

// Formats into a caller's buffer; returns the length (at most 12 bytes with
// the line feed). Kept free of allocation since it runs on every access.
std::size_t formatInto(const PortAccess& a, char* out) {
    static const char kHex[] = "0123456789abcdef";
    std::size_t n = 0;
    out[n++] = a.kind == PortAccess::Kind::Write ? 'W' : 'R';
    out[n++] = ' ';
    char digits[6];
    int d = 0;
    int address = static_cast<std::uint16_t>(a.address);
    do {
        digits[d++] = static_cast<char>('0' + address % 10);
        address /= 10;
    } while (address != 0);
    while (d > 0) out[n++] = digits[--d];
    out[n++] = ' ';
    out[n++] = '0';
    out[n++] = 'x';
    out[n++] = kHex[a.value >> 4];
    out[n++] = kHex[a.value & 0x0F];
    out[n++] = '\n';
    return n;
}

}  // namespace

std::string formatTraceLine(const PortAccess& access) {
    char buf[16];
    const std::size_t n = formatInto(access, buf);
    return std::string(buf, n - 1);
}

std::unique_ptr<PortTrace> PortTrace::open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_BINARY | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<PortTrace>(new PortTrace(fd));
}

PortTrace::~PortTrace() { ::close(fd_); }

void PortTrace::operator()(const PortAccess& access) const {
    char buf[16];
    const std::size_t n = formatInto(access, buf);
    // A trace is a diagnostic aid: a failed write must not disturb the port.
    [[maybe_unused]] const auto written = ::write(fd_, buf, static_cast<unsigned>(n));
}

PortListener traceListener(std::shared_ptr<PortTrace> trace) {
    return [trace = std::move(trace)](const PortAccess& access) { (*trace)(access); };
}

}  // namespace kavtra
