#pragma once

#include <QString>

namespace kavtra {

// Where the command socket of the copy that works on one files directory
// lives: one per user and files directory, so copies for other folders or
// other users never meet. `lockFile` guards the check for a running copy and
// the start of listening, which two copies starting at once must not do
// together.
struct SocketPlace {
    QString serverName;  // for QLocalServer / QLocalSocket
    QString lockFile;
};

SocketPlace commandSocketPlace(const QString& filesDir);

namespace platform {
// Who the user is, as a text that differs between users.
QString userKey();
// The directory as a text that is the same for every spelling of it.
QString directoryKey(const QString& dir);
// The server name and the lock file for a base name made of [a-z0-9-].
SocketPlace socketPlace(const QString& baseName);
}  // namespace platform

}  // namespace kavtra
