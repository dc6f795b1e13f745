#pragma once

#include <array>
#include <cstdint>

namespace kavtra::web {

// One end of a TCP connection: its address as IPv6 (IPv4 as ::ffff:a.b.c.d)
// and its port.
struct TcpEnd {
    std::array<std::uint8_t, 16> address{};
    std::uint16_t port = 0;
    bool operator==(const TcpEnd&) const = default;
};

// Whether the client of a connection on this computer runs as the user this
// program runs as: the system's table of TCP sockets names the owner of the
// socket whose end is `peer` and whose other end is `local` (ours). A client
// beyond this computer, or one the table does not show, is someone else.
bool tcpPeerIsThisUser(const TcpEnd& peer, const TcpEnd& local);

}  // namespace kavtra::web
