#pragma once

#include <QStringList>

#include "web/web_settings.h"

namespace kavtra::web {

// Where the page opens, as "http://192.168.1.5:8080": the address the server
// listens on; on every address, the name it was given, then this computer's
// own IPv4 and global IPv6 addresses, then its names (settings.names). What
// a phone or a browser can be pointed at, so never 0.0.0.0 or ::, and
// loopback only when that is all there is. `port` is the one listened on.
QStringList pageSites(const WebSettings& settings, int port);

// Whether a phone can reach the page: the server listens beyond loopback.
bool reachableFromNetwork(const WebSettings& settings);

}  // namespace kavtra::web
