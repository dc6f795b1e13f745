#include "control/command_client.h"

#include <algorithm>

#include "commands/parse.h"
#include "commands/request_text.h"
#include "control/protocol.h"

namespace kavtra {

namespace {

// A command is done in milliseconds; this only bounds a copy that hangs.
constexpr int kReplyWaitMs = 30000;
// A reply line holds a name, which may be as long as a request.
constexpr std::size_t kMaxReplyLineBytes = kMaxRequestBytes + 32;

}  // namespace

CommandConnection::Outcome CommandConnection::refuse(std::string why) {
    close();
    problem_ = std::move(why);
    return Outcome::Refused;
}

CommandConnection::Outcome CommandConnection::fail(std::string why) {
    close();
    problem_ = std::move(why);
    return Outcome::Failed;
}

CommandConnection::~CommandConnection() { close(); }

int sendCommand(const SocketPlace& place, const Command& command, const ClientOutput& out) {
    CommandConnection connection;
    switch (connection.open(place)) {
    case CommandConnection::Outcome::Connected: break;
    case CommandConnection::Outcome::NoServer:
        out.message(
            "kavtra: программа не запущена для этой папки данных, команде некому её передать. "
            "Запустите её: kavtra (с окном) или kavtra --no-window (без окна), "
            "или как службу: systemctl --user start kavtra.service");
        return kExitNoRunningCopy;
    case CommandConnection::Outcome::Refused:
        out.message("kavtra: команда не передана: " + connection.problem());
        return kExitRefused;
    case CommandConnection::Outcome::Failed:
        out.message("kavtra: не удалось передать команду: " + connection.problem());
        return kExitRefused;
    }
    if (!connection.write(formatRequest(command) + "\n")) {
        out.message("kavtra: не удалось передать команду: " + connection.problem());
        return kExitRefused;
    }

    LineReader reply(kMaxReplyLineBytes);
    std::string bytes;
    int waitMs = kReplyWaitMs;
    while (!reply.overflowed() && connection.read(bytes, waitMs)) {
        reply.append(bytes);
        bytes.clear();
        while (const std::optional<std::string> line = reply.next()) {
            if (const std::optional<std::chrono::milliseconds> deadTime = parseWaitLine(*line)) {
                waitMs = kReplyWaitMs + static_cast<int>(std::min<long long>(deadTime->count(), kReplyWaitMs * 100LL));
                continue;
            }
            const std::optional<Reply> end = parseReplyEnd(*line);
            if (!end) {
                out.data(*line);
                continue;
            }
            switch (end->outcome) {
            case Reply::Outcome::Done: return kExitDone;
            case Reply::Outcome::NotSaved: out.message("kavtra: " + end->reason); return kExitNotSaved;
            case Reply::Outcome::Cancelled: out.message("kavtra: " + end->reason); return kExitCancelled;
            case Reply::Outcome::Unread: out.message("kavtra: " + end->reason); return kExitUnread;
            default: out.message("kavtra: запущенная копия отказала: " + end->reason); return kExitRefused;
            }
        }
    }
    out.message("kavtra: запущенная копия не ответила на команду");
    return kExitRefused;
}

}  // namespace kavtra
