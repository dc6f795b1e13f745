#pragma once

#include <QTcpSocket>

#include <optional>
#include <string>

namespace kavtra::test {

// The next whole answer (head and body, by its Content-Length) on a kept-alive
// connection, read by blocking: for a client on a thread other than the
// server's. `pending` keeps what came after it. nullopt when nothing came
// for 10 s or the server closed.
inline std::optional<std::string> nextAnswer(QTcpSocket& socket, std::string& pending) {
    for (;;) {
        if (const std::size_t head = pending.find("\r\n\r\n"); head != std::string::npos) {
            const std::size_t at = pending.find("Content-Length: ");
            if (at == std::string::npos || at > head) return std::nullopt;
            const std::size_t whole = head + 4 + std::stoul(pending.substr(at + 16));
            if (pending.size() >= whole) {
                std::string answer = pending.substr(0, whole);
                pending.erase(0, whole);
                return answer;
            }
        }
        if (!socket.waitForReadyRead(10000)) return std::nullopt;
        pending += socket.readAll().toStdString();
    }
}

}  // namespace kavtra::test
