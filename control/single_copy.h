#pragma once

#include <QLocalServer>
#include <QString>

#include <memory>

#include "control/socket_place.h"

namespace kavtra {

// The outcome of a start's check for a running copy: either this copy now
// listens on the command socket (and so is the one that may drive the port
// and write the files), or another copy answers there, or the check itself
// failed, in which case the start must not go on as if it were alone.
struct SingleCopy {
    enum class Outcome { Claimed, AnotherRuns, Failed };
    Outcome outcome = Outcome::Failed;
    std::unique_ptr<QLocalServer> server;  // when claimed
    QString failure;                       // when failed, in Russian
};

// Done before the port is opened and before anything is written. A socket
// left by a copy that crashed or was killed answers no one; it is removed
// and this copy listens in its place.
SingleCopy claimSingleCopy(const SocketPlace& place);

}  // namespace kavtra
