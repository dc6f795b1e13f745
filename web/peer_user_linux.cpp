#include <unistd.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "web/peer_user.h"

namespace kavtra::web {
namespace {

// "0100007F:1F90" as /proc/net/tcp writes it (tcp6: 32 digits): each 32-bit
// word of the address in this machine's byte order, the port as a number.
std::optional<TcpEnd> readEnd(const std::string& text) {
    const std::size_t colon = text.find(':');
    if ((colon != 8 && colon != 32) || text.size() != colon + 5) return std::nullopt;
    TcpEnd end;
    const std::size_t first = colon == 8 ? 12 : 0;
    if (colon == 8) end.address[10] = end.address[11] = 0xff;
    try {
        for (std::size_t word = 0; word < colon / 8; ++word) {
            const auto value = static_cast<std::uint32_t>(std::stoul(text.substr(word * 8, 8), nullptr, 16));
            std::memcpy(end.address.data() + first + word * 4, &value, sizeof value);
        }
        end.port = static_cast<std::uint16_t>(std::stoul(text.substr(colon + 1), nullptr, 16));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return end;
}

// The sockets of one table. A socket no process holds any more (inode 0:
// closing, or in TIME_WAIT) is listed as root's, and so is left out as
// nobody's.
void readTable(const char* table, std::vector<TcpSocket>& into) {
    std::ifstream file(table);
    std::string line;
    std::getline(file, line);
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::vector<std::string> field;
        for (std::string word; field.size() < 10 && fields >> word;) field.push_back(word);
        if (field.size() < 10 || field[9] == "0") continue;
        const std::optional<TcpEnd> own = readEnd(field[1]), other = readEnd(field[2]);
        if (!own || !other) continue;
        try {
            into.push_back({*own, *other, std::stoul(field[7])});
        } catch (const std::exception&) {
        }
    }
}

}  // namespace

// An IPv6 socket's table shows an IPv4 address in the mapped form, as ours are.
std::vector<TcpSocket> tcpSockets() {
    std::vector<TcpSocket> sockets;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) readTable(table, sockets);
    return sockets;
}

bool holderIsThisUser(std::uint64_t holder) { return holder == ::geteuid(); }

}  // namespace kavtra::web
