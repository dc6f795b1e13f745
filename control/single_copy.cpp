#include "control/single_copy.h"

#include <QLockFile>

#include "control/command_client.h"

namespace kavtra {

namespace {

constexpr int kLockWaitMs = 5000;

SingleCopy failed(const std::string& why) {
    return {SingleCopy::Outcome::Failed, nullptr, QString::fromStdString(why)};
}

}  // namespace

SingleCopy claimSingleCopy(const SocketPlace& place) {
    const SocketFolder folder = checkSocketFolder(place, true);
    if (folder.state != SocketFolder::State::Ours) return failed(folder.problem);
    // Without the lock, two copies starting at once could both find no one
    // and both listen, the second over the first.
    QLockFile lock(QString::fromStdString(place.lockFile));
    if (!lock.tryLock(kLockWaitMs)) return failed("не удалось занять файл блокировки " + place.lockFile);

    // Only a socket that certainly has no one behind it may be taken over: a
    // copy too busy to accept within the wait is still running, and another
    // user's program there is neither ours to talk to nor to replace.
    CommandConnection probe;
    switch (probe.open(place)) {
    case CommandConnection::Outcome::Connected: return {SingleCopy::Outcome::AnotherRuns, nullptr, {}};
    case CommandConnection::Outcome::NoServer: break;
    case CommandConnection::Outcome::Refused: return failed(probe.problem());
    case CommandConnection::Outcome::Failed:
        return failed("не удалось проверить, запущена ли другая копия: " + probe.problem());
    }

    const QString name = QString::fromStdString(place.serverName);
    QLocalServer::removeServer(name);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name))
        return failed("не удалось открыть сокет команд " + place.serverName + ": " +
                      server->errorString().toStdString());
    return {SingleCopy::Outcome::Claimed, std::move(server), {}};
}

}  // namespace kavtra
