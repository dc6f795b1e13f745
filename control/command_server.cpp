#include "control/command_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include "commands/request_text.h"
#include "control/protocol.h"

namespace kavtra {

// What one connection has read so far; lives as long as its socket.
struct CommandServer::Connection : QObject {
    explicit Connection(QLocalSocket* socket) : QObject(socket), client(socket), lines(kMaxRequestBytes), idle(this) {}
    QLocalSocket* client;
    LineReader lines;
    QTimer idle;
};

namespace {

void send(QLocalSocket* client, const Reply& reply) {
    const std::string text = formatReply(reply);
    client->write(text.data(), static_cast<qint64>(text.size()));
}

}  // namespace

CommandServer::CommandServer(std::unique_ptr<QLocalServer> server, Handler handler, QObject* parent)
    : QObject(parent), server_(std::move(server)), handler_(std::move(handler)) {
    server_->setMaxPendingConnections(kMaxClients);
    connect(server_.get(), &QLocalServer::newConnection, this, &CommandServer::accept);
}

CommandServer::~CommandServer() = default;

void CommandServer::accept() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        if (clients_ >= kMaxClients) {
            client->abort();
            client->deleteLater();
            continue;
        }
        ++clients_;
        // Owned by this object rather than the server: its connections are
        // then gone before a client's last signals could reach it.
        client->setParent(this);
        client->setReadBufferSize(4 * kMaxRequestBytes);
        auto* connection = new Connection(client);
        connection->idle.setSingleShot(true);
        connection->idle.setInterval(kIdleMs);
        connect(&connection->idle, &QTimer::timeout, client, &QLocalSocket::abort);
        connect(client, &QLocalSocket::disconnected, this, [this, client] {
            --clients_;
            client->deleteLater();
        });
        connect(client, &QLocalSocket::readyRead, this, [this, connection] { serve(*connection); });
        serve(*connection);
    }
}

void CommandServer::serve(Connection& connection) {
    QLocalSocket* client = connection.client;
    if (connection.lines.overflowed()) return;
    connection.idle.start();
    // Read no more than a line's bound at a time, so a flood never piles up
    // in memory.
    while (client->bytesAvailable() > 0 && !connection.lines.overflowed()) {
        const QByteArray bytes = client->read(kMaxRequestBytes + 2);
        connection.lines.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (const std::optional<std::string> line = connection.lines.next()) {
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
