#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>

#include "control/socket_place.h"

namespace kavtra::platform {

namespace {

// A directory only this user may enter, so that no one else can put a
// socket of their own in our socket's place.
bool isPrivateDirectory(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::stat(path.toLocal8Bit().constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// The same place for every process of the user, whatever its environment:
// a script run by cron has no XDG_RUNTIME_DIR, but must find the copy
// started from the desktop.
QString socketDirectory() {
    const QString perUser = QStringLiteral("/run/user/") + QString::number(::getuid());
    if (isPrivateDirectory(perUser)) return perUser;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateDirectory(runtime)) return runtime;
    return QStringLiteral("/tmp");
}

}  // namespace

QString userKey() { return QString::number(::getuid()); }

QString directoryKey(const QString& dir) {
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(dir).absoluteFilePath() : canonical;
}

SocketPlace socketPlace(const QString& baseName) {
    const QString path = socketDirectory() + u'/' + baseName;
    return {path + QStringLiteral(".sock"), path + QStringLiteral(".lock")};
}

}  // namespace kavtra::platform
