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

// The owner of the socket with those ends in one table, if it lists one. A
// socket no process holds any more (inode 0: closing, or in TIME_WAIT) is
// listed as root's, and so counts as nobody's.
std::optional<uid_t> ownerIn(const char* table, const TcpEnd& ours, const TcpEnd& theirs) {
    std::ifstream file(table);
    std::string line;
    std::getline(file, line);
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::vector<std::string> field;
        for (std::string word; field.size() < 10 && fields >> word;) field.push_back(word);
        if (field.size() < 10 || field[9] == "0") continue;
        if (readEnd(field[1]) == ours && readEnd(field[2]) == theirs) {
            try {
                return static_cast<uid_t>(std::stoul(field[7]));
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

bool tcpPeerIsThisUser(const TcpEnd& peer, const TcpEnd& local) {
    // The client's socket has its own end first; an IPv6 socket's shows an
    // IPv4 address in the mapped form, as ours are.
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"})
        if (const std::optional<uid_t> owner = ownerIn(table, peer, local)) return *owner == ::geteuid();
    return false;
}

}  // namespace kavtra::web
