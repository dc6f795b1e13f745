#pragma once

#include <QObject>

#include <chrono>
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
// handler, whose reply goes back before the next line is read; a reply that
// waits for an interlock's dead time is announced with a "wait" line and
// sent when it comes. A bad request
// gets an error reply and changes nothing; a line beyond the bound ends its
// connection after the reply. Another user's program is never served. Stuck
// or surplus clients are cut off, so no client can hold the running copy's
// resources, and a full house makes room for a new client rather than turn
// it away.
class CommandServer : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(const Reply&)>;
    // Answers once, at once or later on this thread; must not answer from
    // inside a step of the engine's that could be re-entered.
    using Handler = std::function<void(const Command&, Answer)>;
    // The longest a reply may wait for a dead time, told to the client.
    using LongestWait = std::function<std::chrono::milliseconds()>;

    static constexpr int kMaxClients = 16;
    static constexpr int kIdleMs = 10000;

    CommandServer(std::unique_ptr<QLocalServer> server, Handler handler, LongestWait longestWait = {},
                  QObject* parent = nullptr);
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
    // Hands one request on; false while its answer waits for a dead time.
    bool answer(Connection& connection, const Command& command);
    Connection& leastUseful() const;
    void drop(Connection& connection);
    void forget(Connection& connection);

    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
    LongestWait longestWait_;
    std::vector<Connection*> connections_;  // in the order they came
};

}  // namespace kavtra
