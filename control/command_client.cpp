#include "control/command_client.h"

#include <QLocalSocket>

#include "commands/request_text.h"
#include "control/protocol.h"

namespace kavtra {

namespace {

constexpr int kConnectWaitMs = 2000;
// A command is done in milliseconds; this only bounds a copy that hangs.
constexpr int kReplyWaitMs = 30000;
// A reply line holds a name, which may be as long as a request.
constexpr std::size_t kMaxReplyLineBytes = kMaxRequestBytes + 32;

}  // namespace

int sendCommand(const QString& serverName, const Command& command, const ClientOutput& out) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kConnectWaitMs)) {
        out.message(
            "kavtra: программа не запущена для этой папки данных, команде некому её передать. "
            "Запустите её: kavtra (с окном) или kavtra --no-window (без окна), "
            "или как службу: systemctl --user start kavtra.service");
        return kExitNoRunningCopy;
    }
    const std::string request = formatRequest(command) + "\n";
    socket.write(request.data(), static_cast<qint64>(request.size()));

    LineReader reply(kMaxReplyLineBytes);
    while (socket.waitForReadyRead(kReplyWaitMs)) {
        const QByteArray bytes = socket.readAll();
        reply.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (const std::optional<std::string> line = reply.next()) {
            const std::optional<Reply> end = parseReplyEnd(*line);
            if (!end) {
                out.data(*line);
                continue;
            }
            switch (end->outcome) {
            case Reply::Outcome::Done: return kExitDone;
            case Reply::Outcome::NotSaved: out.message("kavtra: " + end->reason); return kExitNotSaved;
            default: out.message("kavtra: запущенная копия отказала: " + end->reason); return kExitRefused;
            }
        }
        if (reply.overflowed()) break;
    }
    out.message("kavtra: запущенная копия не ответила на команду");
    return kExitRefused;
}

}  // namespace kavtra
