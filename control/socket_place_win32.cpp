#include <QDir>
#include <QFileInfo>

#include "control/socket_place.h"

namespace kavtra::platform {

QString userKey() { return qEnvironmentVariable("USERDOMAIN") + u'\\' + qEnvironmentVariable("USERNAME"); }

// Windows' paths match in any letter case.
QString directoryKey(const QString& dir) {
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return (canonical.isEmpty() ? QFileInfo(dir).absoluteFilePath() : canonical).toLower();
}

// A named pipe has no file; the lock file lives in the user's own temporary
// folder.
SocketPlace socketPlace(const QString& baseName) {
    return {baseName, QDir::temp().filePath(baseName + QStringLiteral(".lock"))};
}

}  // namespace kavtra::platform
