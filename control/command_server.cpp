#include "control/command_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "commands/request_text.h"
#include "control/protocol.h"
#include "control/socket_place.h"

namespace kavtra {

// What one connection has read so far; lives as long as its socket.
struct CommandServer::Connection : QObject {
    explicit Connection(QLocalSocket* socket) : QObject(socket), client(socket), lines(kMaxRequestBytes), idle(this) {}
    QLocalSocket* client;
    LineReader lines;
    QTimer idle;
    bool requested = false;  // has sent a whole request line
    std::chrono::steady_clock::time_point heard = std::chrono::steady_clock::now();
};

namespace {

// Written out at once: a client that has said all it had to say (`printf
// ... | socat`) closes its sending side, and a socket that sees that end
// before its next turn to write would drop a reply still in its buffer.
void send(QLocalSocket* client, const Reply& reply) {
    const std::string text = formatReply(reply);
    client->write(text.data(), static_cast<qint64>(text.size()));
    client->flush();
}

}  // namespace

CommandServer::CommandServer(std::unique_ptr<QLocalServer> server, Handler handler, QObject* parent)
    : QObject(parent), server_(std::move(server)), handler_(std::move(handler)) {
    server_->setMaxPendingConnections(kMaxClients);
    connect(server_.get(), &QLocalServer::newConnection, this, &CommandServer::accept);
}

CommandServer::~CommandServer() {
    // The clients go with this object; their last signals must not reach it
    // half destroyed.
    for (Connection* connection : connections_) connection->client->disconnect(this);
}

void CommandServer::close() { server_->close(); }

void CommandServer::accept() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        // Silently: whoever that is learns nothing, and the user's log is not
        // theirs to fill.
        if (!peerIsThisUser(client->socketDescriptor(), PeerSide::Client)) {
            client->abort();
            client->deleteLater();
            continue;
        }
        if (connections_.size() >= static_cast<std::size_t>(kMaxClients)) drop(leastUseful());
        // Owned by this object rather than the server: its connections are
        // then gone before a client's last signals could reach it.
        client->setParent(this);
        client->setReadBufferSize(4 * kMaxRequestBytes);
        auto* connection = new Connection(client);
        connections_.push_back(connection);
        connection->idle.setSingleShot(true);
        connection->idle.setInterval(kIdleMs);
        connect(&connection->idle, &QTimer::timeout, client, &QLocalSocket::abort);
        connect(client, &QLocalSocket::disconnected, this, [this, connection] {
            forget(*connection);
            connection->client->deleteLater();
        });
        connect(client, &QLocalSocket::readyRead, this, [this, connection] { serve(*connection); });
        serve(*connection);
    }
}

// The one to make room: the oldest of those that never finished a request
// (a client that connects and says nothing, or is stuck halfway), else the
// one silent longest. A client that is being answered is never among them:
// answers are made before the next connection is taken.
CommandServer::Connection& CommandServer::leastUseful() const {
    const auto silent = std::find_if(connections_.begin(), connections_.end(),
                                     [](const Connection* connection) { return !connection->requested; });
    if (silent != connections_.end()) return **silent;
    return **std::min_element(connections_.begin(), connections_.end(),
                              [](const Connection* a, const Connection* b) { return a->heard < b->heard; });
}

void CommandServer::drop(Connection& connection) {
    forget(connection);
    QLocalSocket* client = connection.client;
    client->disconnect(this);
    client->abort();
    client->deleteLater();
}

void CommandServer::forget(Connection& connection) {
    connections_.erase(std::remove(connections_.begin(), connections_.end(), &connection), connections_.end());
}

void CommandServer::serve(Connection& connection) {
    QLocalSocket* client = connection.client;
    if (connection.lines.overflowed()) return;
    connection.idle.start();
    // Read no more than a line's bound at a time, so a flood never piles up
    // in memory.
    while (client->bytesAvailable() > 0 && !connection.lines.overflowed()) {
        const QByteArray bytes = client->read(kMaxRequestBytes + 2);
        connection.heard = std::chrono::steady_clock::now();
        connection.lines.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (const std::optional<std::string> line = connection.lines.next()) {
            connection.requested = true;
            const Parsed<Command> request = parseRequest(*line);
            send(client, request ? handler_(*request.value) : Reply::refused(request.error));
        }
    }
    if (connection.lines.overflowed()) {
        send(client, Reply::refused(requestTooLong()));
        client->disconnectFromServer();
    }
}

}  // namespace kavtra
