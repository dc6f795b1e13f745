#pragma once

#include <QLocalServer>

#include <memory>
#include <string>

#include "control/socket_place.h"

namespace kavtra {

// The check every start makes before it opens the port or writes anything:
// a second copy on the same files would undo the first one's changes with
// its own. `server` is set when this copy is the one to run; otherwise the
// start ends with `exitStatus`: a second start of the window has asked the
// running copy to show its window, a second start without one says that a
// copy runs.
struct CopyStart {
    std::unique_ptr<QLocalServer> server;
    int exitStatus = 0;
};
CopyStart claimOrHandOver(const SocketPlace& place, bool window);

}  // namespace kavtra
