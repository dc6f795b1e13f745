#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "control/socket_place.h"

namespace kavtra {

namespace {

// A directory only this user may enter, so that no one else can put a
// socket of their own in our socket's place.
bool isPrivateDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

// The same place for every process of the user, whatever its environment:
// a script run by cron has no XDG_RUNTIME_DIR, but must find the copy
// started from the desktop.
std::string socketDirectory() {
    const std::string perUser = "/run/user/" + std::to_string(::getuid());
    if (isPrivateDirectory(perUser)) return perUser;
    std::error_code error;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string runtimeDir = runtime ? std::filesystem::canonical(runtime, error).string() : std::string();
    if (!error && isPrivateDirectory(runtimeDir)) return runtimeDir;
    // /tmp is everyone's: there the socket goes into a folder of the user's
    // own, under a name every process of the user finds.
    return "/tmp/kavtra-" + std::to_string(::getuid());
}

SocketFolder refused(std::string problem) { return {SocketFolder::State::Refused, std::move(problem)}; }

}  // namespace

SocketFolder checkSocketFolder(const SocketPlace& place, bool create) {
    const char* folder = place.folder.c_str();
    if (create && ::mkdir(folder, 0700) != 0 && errno != EEXIST)
        return refused("не удалось создать папку сокета команд " + place.folder + ": " + std::strerror(errno));
    // Not followed: a link there is someone's way of pointing us elsewhere.
    struct stat info {};
    if (::lstat(folder, &info) != 0) {
        if (errno == ENOENT) return {SocketFolder::State::Missing, {}};
        return refused("не удалось проверить папку сокета команд " + place.folder + ": " + std::strerror(errno));
    }
    const std::string unused = "; программа ею не пользуется. ";
    if (!S_ISDIR(info.st_mode))
        return refused("на месте папки сокета команд " + place.folder + " лежит не папка" + unused +
                       "Удалите это и повторите");
    if (info.st_uid != ::geteuid())
        return refused("папка сокета команд " + place.folder + " принадлежит другому пользователю (uid " +
                       std::to_string(info.st_uid) + ")" + unused +
                       "Её может удалить её владелец или root; затем повторите");
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%03o", info.st_mode & 0777);
        return refused("папка сокета команд " + place.folder + " открыта другим пользователям (права " + mode +
                       ", нужны 700)" + unused + "Проверьте, что в ней нет чужого, и выполните: chmod 700 " +
                       place.folder);
    }
    return {SocketFolder::State::Ours, {}};
}

bool peerIsThisUser(std::intptr_t descriptor, PeerSide) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

std::string peerName(std::intptr_t descriptor, PeerSide) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return std::string("uid неизвестен: ") + std::strerror(errno);
    return "uid " + std::to_string(peer.uid);
}

namespace platform {

std::string userKey() { return std::to_string(::getuid()); }

std::string directoryKey(const std::string& dir) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(dir, error);
    if (!error) return canonical.string();
    return std::filesystem::absolute(dir, error).lexically_normal().string();
}

SocketPlace socketPlace(const std::string& baseName) {
    const std::string folder = socketDirectory();
    const std::string path = folder + '/' + baseName;
    return {path + ".sock", path + ".lock", folder};
}

}  // namespace platform

}  // namespace kavtra
