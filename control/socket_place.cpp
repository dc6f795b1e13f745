#include "control/socket_place.h"

#include <cstdio>

#include "persist/paths/files_dir.h"

namespace kavtra {

namespace {

// FNV-1a: the name only has to tell one user's folders apart. Who may reach
// the socket is the folder's business and the peer check's, not the name's,
// so nothing depends on the name being hard to guess.
std::uint64_t nameHash(const std::string& key) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const unsigned char byte : key) hash = (hash ^ byte) * 0x100000001b3u;
    return hash;
}

}  // namespace

SocketPlace commandSocketPlace(const std::string& filesDir) {
    const std::string key = platform::userKey() + '\0' + platform::directoryKey(filesDir);
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(nameHash(key)));
    return platform::socketPlace(std::string("kavtra-") + digits);
}

SocketPlace socketPlaceFor(const std::string& executableDir) {
    return commandSocketPlace(filesDirectory(executableDir));
}

}  // namespace kavtra
