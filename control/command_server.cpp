#include "control/command_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>

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
    bool answering = false;  // its request is being carried out
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

CommandServer::CommandServer(std::unique_ptr<QLocalServer> server, Handler handler, LongestWait longestWait,
                             QObject* parent)
    : QObject(parent), server_(std::move(server)), handler_(std::move(handler)), longestWait_(std::move(longestWait)) {
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
// one silent longest. A client waiting for its answer comes last.
CommandServer::Connection& CommandServer::leastUseful() const {
    const auto silent = std::find_if(connections_.begin(), connections_.end(),
                                     [](const Connection* connection) { return !connection->requested; });
    if (silent != connections_.end()) return **silent;
    return **std::min_element(connections_.begin(), connections_.end(), [](const Connection* a, const Connection* b) {
        return std::pair(a->answering, a->heard) < std::pair(b->answering, b->heard);
    });
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
    if (connection.lines.overflowed() || connection.answering) return;
    connection.idle.start();
    // Read no more than a line's bound at a time, so a flood never piles up
    // in memory.
    do {
        while (const std::optional<std::string> line = connection.lines.next()) {
            connection.requested = true;
            const Parsed<Command> request = parseRequest(*line);
            if (!request) {
                send(client, Reply::refused(request.error));
                continue;
            }
            if (!answer(connection, *request.value)) return;
        }
        if (client->bytesAvailable() <= 0) break;
        const QByteArray bytes = client->read(kMaxRequestBytes + 2);
        connection.heard = std::chrono::steady_clock::now();
        connection.lines.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } while (!connection.lines.overflowed());
    if (connection.lines.overflowed()) {
        send(client, Reply::refused(requestTooLong()));
        client->disconnectFromServer();
    }
}

bool CommandServer::answer(Connection& connection, const Command& command) {
    connection.answering = true;
    QPointer<Connection> alive(&connection);
    const auto later = std::make_shared<bool>(false);
    handler_(command, [this, alive, later](const Reply& reply) {
        if (!alive) return;
        send(alive->client, reply);
        alive->answering = false;
        // The lines that came meanwhile, once the step that answered is over.
        if (*later)
            QMetaObject::invokeMethod(
                this,
                [this, alive] {
                    if (alive) serve(*alive);
                },
                Qt::QueuedConnection);
    });
    if (!connection.answering) return true;
    *later = true;
    connection.idle.stop();
    const std::string wait = waitLine(longestWait_ ? longestWait_() : std::chrono::milliseconds(0));
    connection.client->write(wait.data(), static_cast<qint64>(wait.size()));
    connection.client->flush();
    return false;
}

}  // namespace kavtra
