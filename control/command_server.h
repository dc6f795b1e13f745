#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

#include "commands/command.h"
#include "commands/reply.h"

class QLocalServer;
class QLocalSocket;

namespace kavtra {

// Serves the command socket on the thread it lives on (the UI thread, where
// the engine lives): each request line is checked, then handed to the
// handler, whose reply goes back before the next line is read. A bad request
// gets an error reply and changes nothing; a line beyond the bound ends its
// connection after the reply. Another user's program is never served. Stuck
// or surplus clients are cut off, so no client can hold the running copy's
// resources, and a full house makes room for a new client rather than turn
// it away.
class CommandServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<Reply(const Command&)>;

    static constexpr int kMaxClients = 16;
    static constexpr int kIdleMs = 10000;

    CommandServer(std::unique_ptr<QLocalServer> server, Handler handler, QObject* parent = nullptr);
    ~CommandServer() override;

    // Stops listening and takes the socket's file away. The exit sequence
    // ends the process without running destructors, so it does this as one
    // of its final steps; a crash leaves the file, which the next start's
    // single-copy check takes over.
    void close();

private:
    struct Connection;
    void accept();
    void serve(Connection& connection);
    Connection& leastUseful() const;
    void drop(Connection& connection);
    void forget(Connection& connection);

    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
    std::vector<Connection*> connections_;  // in the order they came
};

}  // namespace kavtra
