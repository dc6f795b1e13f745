#include "tests/support/mosquitto_broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kavtra::test {
namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port the system has just handed out and nobody holds now.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        throw std::runtime_error("no free loopback port");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Its chatter on standard error would mix with the lines the tests check.
int run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    return pid;
}

void runToEnd(const std::vector<std::string>& args) {
    int status = 0;
    ::waitpid(run(args), &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(args[0] + " failed");
}

}  // namespace

MosquittoBroker::MosquittoBroker(std::filesystem::path dir)
    : dir_(std::move(dir)), port_(freePort()), securePort_(freePort()), tlsPort_(freePort()) {
    const std::string passwords = (dir_ / "passwords").string();
    const std::string key = (dir_ / "key.pem").string();
    runToEnd({"mosquitto_passwd", "-b", "-c", passwords, kUser, kPassword});
    runToEnd({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
              "-keyout", key, "-out", certificateFile(), "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
              "subjectAltName=IP:127.0.0.1"});
    // Started as root, the broker reads its key after it has become the user
    // mosquitto.
    using std::filesystem::perms;
    std::filesystem::permissions(dir_, perms::others_read | perms::others_exec | perms::group_read | perms::group_exec,
                                 std::filesystem::perm_options::add);
    std::filesystem::permissions(key, perms::owner_read | perms::group_read | perms::others_read);
    std::ofstream(dir_ / "mosquitto.conf") << "per_listener_settings true\n"
                                              "persistence false\n"
                                              "set_tcp_nodelay true\n"
                                              "log_dest none\n"
                                              "listener "
                                           << port_
                                           << " 127.0.0.1\n"
                                              "allow_anonymous true\n"
                                              "listener "
                                           << securePort_
                                           << " 127.0.0.1\n"
                                              "allow_anonymous false\n"
                                              "password_file "
                                           << passwords
                                           << "\n"
                                              "listener "
                                           << tlsPort_
                                           << " 127.0.0.1\n"
                                              "allow_anonymous true\n"
                                              "certfile "
                                           << certificateFile()
                                           << "\n"
                                              "keyfile "
                                           << key << "\n";
    start();
}

MosquittoBroker::~MosquittoBroker() { kill(); }

void MosquittoBroker::start() {
    pid_ = run({"/usr/sbin/mosquitto", "-c", (dir_ / "mosquitto.conf").string()});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(listening(port_) && listening(securePort_) && listening(tlsPort_))) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("mosquitto ended at start");
        }
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("mosquitto does not listen");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void MosquittoBroker::kill() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace kavtra::test
