#pragma once

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace kavtra::test {

// The user a test plays the other user with.
inline constexpr uid_t kNobody = 65534;

// Takes another user's rights for good (root only): groups, group, user.
inline bool becomeUser(uid_t uid) { return ::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0; }

// A child process with another user's rights, running `body` until it
// returns (its exit status) or the test ends it. Only root may give its rights
// away, so tests that use it skip for other users. The constructor returns once
// the child has called `ready` (or ended).
class OtherUser {
public:
    using Body = std::function<int(const std::function<void()>& ready)>;

    OtherUser(uid_t uid, const Body& body) {
        int ends[2];
        if (::pipe(ends) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ends[0]);
            const auto ready = [&] {
                const char byte = 1;
                (void)!::write(ends[1], &byte, 1);
            };
            ::_exit(becomeUser(uid) ? body(ready) : 127);
        }
        ::close(ends[1]);
        char byte = 0;
        (void)!::read(ends[0], &byte, 1);
        ::close(ends[0]);
    }
    ~OtherUser() {
        if (pid_ <= 0 || status_ >= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    // The exit status once the child has ended; -1 while it runs.
    int status() {
        int raw = 0;
        if (status_ < 0 && pid_ > 0 && ::waitpid(pid_, &raw, WNOHANG) == pid_)
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
        return status_;
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// The address of a socket at `path`; from inside its folder when the path is
// longer than an address holds, as a scratch folder's may be, which only a
// child process may do.
inline sockaddr_un socketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::filesystem::path whole(path);
    if (path.size() >= sizeof address.sun_path && ::chdir(whole.parent_path().c_str()) != 0) return {};
    const std::string name = path.size() < sizeof address.sun_path ? path : whole.filename().string();
    std::strncpy(address.sun_path, name.c_str(), sizeof address.sun_path - 1);
    return address;
}

// A squatter's socket: listens at `path` (making its folder, open to all,
// where there is none) and answers every request line as a running copy
// would, after writing it to `heard`. Returns when it cannot listen.
inline int answerEverything(const std::string& path, const std::string& heard, const std::function<void()>& ready) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (::mkdir(folder.c_str(), 0777) == 0) ::chmod(folder.c_str(), 0777);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = socketAddress(path);
    ::unlink(address.sun_path);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, 0777) != 0 || ::listen(listener, 16) != 0)
        return 1;
    ready();
    for (;;) {
        const int client = ::accept(listener, nullptr, nullptr);
        std::string line;
        char byte = 0;
        pollfd wait{client, POLLIN, 0};
        while (::poll(&wait, 1, 2000) == 1 && ::read(client, &byte, 1) == 1 && byte != '\n') line += byte;
        if (!line.empty()) {
            std::ofstream(heard, std::ios::app) << line << '\n';
            const char reply[] = "1\ton\tЧужой\nok\n";
            (void)!::write(client, reply, sizeof reply - 1);
        }
        ::close(client);
    }
}

// Connects to `path`, sends `request` and reads for a while: what came back.
// `halfClose` then says that nothing more will come, as `printf ... | socat`
// does.
inline std::string askOnce(const std::string& path, const std::string& request, bool halfClose = false) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = socketAddress(path);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return "(no connection)";
    (void)!::write(socket, request.data(), request.size());
    if (halfClose) ::shutdown(socket, SHUT_WR);
    std::string reply;
    char buffer[256];
    pollfd wait{socket, POLLIN, 0};
    for (ssize_t n = 0; ::poll(&wait, 1, 2000) == 1 && (n = ::read(socket, buffer, sizeof buffer)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    ::close(socket);
    return reply;
}

}  // namespace kavtra::test
