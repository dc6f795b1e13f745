#pragma once

#include <cstdint>
#include <string>

namespace kavtra {

// Where the command socket of the copy that works on one files directory
// lives: one per user and files directory, so copies for other folders or
// other users never meet. `lockFile` guards the check for a running copy and
// the start of listening, which two copies starting at once must not do
// together. Paths are UTF-8.
struct SocketPlace {
    std::string serverName;  // the socket's path (POSIX), the pipe's name (Windows)
    std::string lockFile;
    std::string folder;  // holds both on POSIX; only its user may enter it
};

SocketPlace commandSocketPlace(const std::string& filesDir);
// The place of the copy that keeps its files beside (or for) the executable
// in executableDir.
SocketPlace socketPlaceFor(const std::string& executableDir);

// Whether the place's folder may serve: a socket in a folder another user
// owns, or may write to, could be that user's, listening in ours.
struct SocketFolder {
    enum class State { Ours, Missing, Refused };
    State state = State::Refused;
    std::string problem;  // in Russian, naming the folder, when refused
};
// `create` makes a missing folder, for the user alone.
SocketFolder checkSocketFolder(const SocketPlace& place, bool create);

// Whether the process at the other end of a connected socket (a POSIX
// descriptor, or a pipe's handle on Windows) runs as this user. Another user
// is turned away both ways: a client would hand it the user's commands and
// read its answers as the outputs' states; a server would take commands the
// user never gave. Root's processes are no exception: they have no use for
// another user's socket, and a program of root's that speaks to it is one the
// user did not start.
enum class PeerSide { Client, Server };
bool peerIsThisUser(std::intptr_t descriptor, PeerSide peer);
// Who the peer is, as a message names it: "uid 65534", "процесс 1234".
std::string peerName(std::intptr_t descriptor, PeerSide peer);
#ifdef _WIN32
// Whether the process runs as this user; the web access asks it of the
// process that owns a TCP connection.
bool processIsThisUser(unsigned long processId);
#endif

namespace platform {
// Who the user is, as a text that differs between users.
std::string userKey();
// The directory as a text that is the same for every spelling of it.
std::string directoryKey(const std::string& dir);
// The place for a base name made of [a-z0-9-].
SocketPlace socketPlace(const std::string& baseName);
}  // namespace platform

}  // namespace kavtra
