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

// The rows of one family's table as sockets, each held by its process.
template <typename Table, typename Row>
void addRows(ULONG family, std::vector<TcpSocket>& into, TcpEnd (*end)(const Row&, bool)) {
    const std::vector<char> bytes = connectionTable(family);
    if (bytes.empty()) return;
    const auto* table = reinterpret_cast<const Table*>(bytes.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        into.push_back({end(table->table[i], true), end(table->table[i], false), table->table[i].dwOwningPid});
}

}  // namespace

std::vector<TcpSocket> tcpSockets() {
    std::vector<TcpSocket> sockets;
    addRows<MIB_TCPTABLE_OWNER_PID, MIB_TCPROW_OWNER_PID>(
        AF_INET, sockets, [](const MIB_TCPROW_OWNER_PID& row, bool own) {
            return own ? mapped(row.dwLocalAddr, row.dwLocalPort) : mapped(row.dwRemoteAddr, row.dwRemotePort);
        });
    addRows<MIB_TCP6TABLE_OWNER_PID, MIB_TCP6ROW_OWNER_PID>(
        AF_INET6, sockets, [](const MIB_TCP6ROW_OWNER_PID& row, bool own) {
            return own ? ofIpv6(row.ucLocalAddr, row.dwLocalPort) : ofIpv6(row.ucRemoteAddr, row.dwRemotePort);
        });
    return sockets;
}

bool holderIsThisUser(std::uint64_t holder) { return holder != 0 && processIsThisUser(static_cast<DWORD>(holder)); }

}  // namespace kavtra::web
