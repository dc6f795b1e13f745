#include "web/peer_user.h"

#include <algorithm>

namespace kavtra::web {

bool PeerUsers::isThisUser(const TcpEnd& peer, const TcpEnd& local, Time accepted) {
    if (!read_ || *read_ < accepted) {
        read_ = std::chrono::steady_clock::now();
        table_ = tcpSockets();
    }
    const auto found = std::find_if(table_.begin(), table_.end(), [&](const TcpSocket& socket) {
        return socket.own == peer && socket.other == local;
    });
    return found != table_.end() && holderIsThisUser(found->holder);
}

}  // namespace kavtra::web
