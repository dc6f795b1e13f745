#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace kavtra::web {

// One end of a TCP connection: its address as IPv6 (IPv4 as ::ffff:a.b.c.d)
// and its port.
struct TcpEnd {
    std::array<std::uint8_t, 16> address{};
    std::uint16_t port = 0;
    bool operator==(const TcpEnd&) const = default;
};

// A socket of the system's table of TCP connections: its own end, the other
// end, and who holds it (a user id on Linux, a process id on Windows).
struct TcpSocket {
    TcpEnd own;
    TcpEnd other;
    std::uint64_t holder = 0;
};
// The system's table now; empty when it gives none.
std::vector<TcpSocket> tcpSockets();
bool holderIsThisUser(std::uint64_t holder);

// Whether the client of a connection on this computer runs as the user this
// program runs as: the system's table of TCP sockets names the holder of the
// socket whose end is `peer` and whose other end is `local` (ours). A client
// beyond this computer, or one the table does not show, is someone else.
// One reading of the table serves every connection accepted before it (a
// burst of new clients costs one reading, which is slow under Wine); a
// reading older than the connection could show another socket that had the
// same ends, so it is read anew.
class PeerUsers {
public:
    using Time = std::chrono::steady_clock::time_point;
    bool isThisUser(const TcpEnd& peer, const TcpEnd& local, Time accepted);

private:
    std::vector<TcpSocket> table_;
    std::optional<Time> read_;
};

}  // namespace kavtra::web
