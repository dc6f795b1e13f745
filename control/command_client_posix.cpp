#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "control/command_client.h"

namespace kavtra {

namespace {

// A copy whose queue of connections is full keeps a connect waiting.
constexpr timeval kConnectWait = {2, 0};

}  // namespace

CommandConnection::Outcome CommandConnection::open(const SocketPlace& place) {
    close();
    problem_.clear();
    const SocketFolder folder = checkSocketFolder(place, false);
    if (folder.state == SocketFolder::State::Missing) return Outcome::NoServer;
    if (folder.state == SocketFolder::State::Refused) return refuse(folder.problem);

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (place.serverName.size() >= sizeof address.sun_path)
        return fail("путь сокета команд длиннее, чем позволяет система: " + place.serverName);
    std::memcpy(address.sun_path, place.serverName.data(), place.serverName.size());
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) return fail(std::strerror(errno));
    handle_ = socket;
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &kConnectWait, sizeof kConnectWait);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ECONNREFUSED) {
            close();
            return Outcome::NoServer;
        }
        return fail("сокет команд " + place.serverName + ": " + std::strerror(error));
    }
    if (!peerIsThisUser(socket, PeerSide::Server))
        return refuse("на сокете команд " + place.serverName + " отвечает программа другого пользователя (" +
                      peerName(socket, PeerSide::Server) + ")");
    return Outcome::Connected;
}

bool CommandConnection::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(static_cast<int>(handle_), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) {
            problem_ = std::strerror(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool CommandConnection::read(std::string& into, int timeoutMs) {
    pollfd ready{static_cast<int>(handle_), POLLIN, 0};
    int polled = 0;
    while ((polled = ::poll(&ready, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    if (polled != 1) return false;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(static_cast<int>(handle_), buffer, sizeof buffer)) < 0 && errno == EINTR) {
    }
    if (got <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
}

void CommandConnection::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

}  // namespace kavtra
