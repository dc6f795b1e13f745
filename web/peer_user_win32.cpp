#include <winsock2.h>
// winsock2.h before windows.h
#include <windows.h>
#include <ws2tcpip.h>
// the IP helper's tables need both
#include <iphlpapi.h>

#include <cstring>
#include <optional>
#include <vector>

#include "control/socket_place.h"
#include "web/peer_user.h"

namespace kavtra::web {
namespace {

// The system's table of TCP connections of one family, with each one's
// owning process; empty when the system gives none.
std::vector<char> connectionTable(ULONG family) {
    std::vector<char> table;
    DWORD size = 0;
    // The table may grow between the two calls.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD result =
            ::GetExtendedTcpTable(table.data(), &size, FALSE, family, TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
        if (result == NO_ERROR) return table;
        if (result != ERROR_INSUFFICIENT_BUFFER) break;
        table.resize(size);
    }
    return {};
}

// The table keeps ports in network byte order in the low 16 bits.
std::uint16_t portOf(DWORD port) { return ntohs(static_cast<u_short>(port)); }

TcpEnd mapped(DWORD address, DWORD port) {
    TcpEnd end;
    end.address[10] = end.address[11] = 0xff;
    std::memcpy(end.address.data() + 12, &address, sizeof address);
    end.port = portOf(port);
    return end;
}

TcpEnd ofIpv6(const UCHAR* address, DWORD port) {
    TcpEnd end;
    std::memcpy(end.address.data(), address, end.address.size());
    end.port = portOf(port);
    return end;
}

// The process that owns the client's socket: its own end first.
std::optional<DWORD> owner(const TcpEnd& peer, const TcpEnd& local) {
    if (const std::vector<char> bytes = connectionTable(AF_INET); !bytes.empty()) {
        const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(bytes.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCPROW_OWNER_PID& row = table->table[i];
            if (mapped(row.dwLocalAddr, row.dwLocalPort) == peer && mapped(row.dwRemoteAddr, row.dwRemotePort) == local)
                return row.dwOwningPid;
        }
    }
    if (const std::vector<char> bytes = connectionTable(AF_INET6); !bytes.empty()) {
        const auto* table = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(bytes.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCP6ROW_OWNER_PID& row = table->table[i];
            if (ofIpv6(row.ucLocalAddr, row.dwLocalPort) == peer && ofIpv6(row.ucRemoteAddr, row.dwRemotePort) == local)
                return row.dwOwningPid;
        }
    }
    return std::nullopt;
}

}  // namespace

bool tcpPeerIsThisUser(const TcpEnd& peer, const TcpEnd& local) {
    const std::optional<DWORD> process = owner(peer, local);
    return process && *process != 0 && processIsThisUser(*process);
}

}  // namespace kavtra::web
