#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "commands/command.h"
#include "commands/reply.h"

class QLocalServer;
class QLocalSocket;

namespace kavtra {

// Serves the command socket on the thread it lives on (the UI thread, where
// the engine lives): each request line is checked, then handed to the
// handler, whose reply goes back before the next line is read. A bad request
// gets an error reply and changes nothing; a line beyond the bound ends its
// connection after the reply. Stuck or surplus clients are cut off, so no
// client can hold the running copy's resources.
class CommandServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<Reply(const Command&)>;

    static constexpr int kMaxClients = 16;
    static constexpr int kIdleMs = 10000;

    CommandServer(std::unique_ptr<QLocalServer> server, Handler handler, QObject* parent = nullptr);
    ~CommandServer() override;

private:
    void accept();
    struct Connection;
    void serve(Connection& connection);

    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
    int clients_ = 0;
};

}  // namespace kavtra
