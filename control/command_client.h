#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "commands/command.h"
#include "control/socket_place.h"

namespace kavtra {

// The exit statuses of a command-line invocation.
enum ExitStatus : int {
    kExitDone = 0,
    kExitCouldNotStart = 1,  // the port, or (without a window) a copy already running
    kExitBadUsage = 2,
    kExitNoRunningCopy = 3,
    kExitRefused = 4,    // by the running copy, or the socket is not the user's alone
    kExitNotSaved = 5,   // carried out, but Data.dat could not be saved
    kExitCancelled = 6,  // waited for a dead time, and a later request took its place
    kExitUnread = 7,     // Rules.ini could not be read: the rules in force stay
};

// Where a command's output goes: lines of data and messages, each without
// its '\n'.
struct ClientOutput {
    std::function<void(const std::string&)> data;
    std::function<void(const std::string&)> message;
};

// Hands one command to the copy that listens at `place` and waits for its
// reply. Never starts the port or anything else itself: without a running
// copy it says how to start one. A socket that another user could have put
// there, or that another user's program answers, is never written to.
int sendCommand(const SocketPlace& place, const Command& command, const ClientOutput& out);

// One connection to the command socket in the system's own calls, with no
// library beside the C++ runtime, since a command's whole run is mostly the
// loading of what it links. The single-copy check probes with it too.
class CommandConnection {
public:
    enum class Outcome {
        Connected,  // to a server of this user
        NoServer,   // nothing listens there (a socket left by a crash included)
        Refused,    // the folder or the server is another user's; problem() says so
        Failed,     // problem() says why
    };

    CommandConnection() = default;
    ~CommandConnection();
    CommandConnection(const CommandConnection&) = delete;
    CommandConnection& operator=(const CommandConnection&) = delete;

    Outcome open(const SocketPlace& place);
    const std::string& problem() const { return problem_; }
    bool write(std::string_view bytes);
    // Appends what arrives within `timeoutMs` to `into`; false at the end of
    // the connection, on an error or when nothing came in time.
    bool read(std::string& into, int timeoutMs);

private:
    Outcome refuse(std::string why);
    Outcome fail(std::string why);
    void close();

    std::intptr_t handle_ = -1;  // a descriptor, or a pipe's HANDLE
    std::string problem_;
};

}  // namespace kavtra
