#include "control/single_copy.h"

#include <QLocalSocket>
#include <QLockFile>

namespace kavtra {

namespace {

constexpr int kLockWaitMs = 5000;
constexpr int kConnectWaitMs = 2000;

SingleCopy failed(const QString& why) { return {SingleCopy::Outcome::Failed, nullptr, why}; }

}  // namespace

SingleCopy claimSingleCopy(const SocketPlace& place) {
    // Without the lock, two copies starting at once could both find no one
    // and both listen, the second over the first.
    QLockFile lock(place.lockFile);
    if (!lock.tryLock(kLockWaitMs))
        return failed(QStringLiteral("не удалось занять файл блокировки %1").arg(place.lockFile));

    QLocalSocket probe;
    probe.connectToServer(place.serverName);
    if (probe.waitForConnected(kConnectWaitMs)) return {SingleCopy::Outcome::AnotherRuns, nullptr, {}};
    // Only a socket that certainly has no one behind it may be taken over: a
    // copy too busy to accept within the wait is still running.
    const QLocalSocket::LocalSocketError error = probe.error();
    if (error != QLocalSocket::ServerNotFoundError && error != QLocalSocket::ConnectionRefusedError)
        return failed(QStringLiteral("не удалось проверить, запущена ли другая копия (%1): %2")
                          .arg(place.serverName, probe.errorString()));

    QLocalServer::removeServer(place.serverName);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(place.serverName))
        return failed(
            QStringLiteral("не удалось открыть сокет команд %1: %2").arg(place.serverName, server->errorString()));
    return {SingleCopy::Outcome::Claimed, std::move(server), {}};
}

}  // namespace kavtra
