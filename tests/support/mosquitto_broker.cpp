#include "tests/support/mosquitto_broker.h"

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/support/host_programs.h"

namespace kavtra::test {

MosquittoBroker::MosquittoBroker(std::filesystem::path dir) : dir_(std::move(dir)) {
    // The broker and its tools are Linux programs and name the files by
    // their Linux paths; certificateFile() is the test program's own.
    const std::string passwords = hostPath(dir_ / "passwords");
    const std::string key = hostPath(dir_ / "key.pem");
    const std::string certificate = hostPath(certificateFile());
    runToEnd({"mosquitto_passwd", "-b", "-c", passwords, kUser, kPassword});
    runToEnd({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
              "-keyout", key, "-out", certificate, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
              "subjectAltName=IP:127.0.0.1"});
    // Its password file and key are nobody else's, so its folder is private,
    // as a clone in a home folder or Wine's prefix may be anyway. Started by
    // root, the broker would become the user mosquitto and could not enter
    // it: it stays the user who runs the tests, whom only the Linux side
    // names. (A user without a name is not root: the setting is ignored.)
    runToEnd({"chmod", "go-rwx", hostPath(dir_)});
    runToEnd({"sh", "-c", "id -un >\"$0\" || id -u >\"$0\"", hostPath(dir_ / "user")});
    std::string user;
    std::ifstream(dir_ / "user") >> user;
    // A port free when it is chosen may be taken before the broker binds it,
    // by another test's connection or server beside this one: the broker then
    // ends at once, and is started again on other ports.
    for (int attempt = 1;; ++attempt) {
        port_ = freeLoopbackPort();
        securePort_ = freeLoopbackPort();
        tlsPort_ = freeLoopbackPort();
        std::ofstream(dir_ / "mosquitto.conf")
            << "user " << user << "\nper_listener_settings true\npersistence false\nset_tcp_nodelay true\n"
            << "log_dest none\nlistener " << port_ << " 127.0.0.1\nallow_anonymous true\n"
            << "listener " << securePort_ << " 127.0.0.1\nallow_anonymous false\npassword_file " << passwords << "\n"
            << "listener " << tlsPort_ << " 127.0.0.1\nallow_anonymous true\ncertfile " << certificate << "\n"
            << "keyfile " << key << "\n";
        if (launch()) return;
        if (attempt == 5) throw std::runtime_error("mosquitto ended at start");
    }
}

MosquittoBroker::~MosquittoBroker() { kill(); }

void MosquittoBroker::start() {
    if (!launch()) throw std::runtime_error("mosquitto ended at start");
}

bool MosquittoBroker::launch() {
    process_ = std::make_unique<HostProcess>(
        std::vector<std::string>{"/usr/sbin/mosquitto", "-c", hostPath(dir_ / "mosquitto.conf")});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(listensOnLoopback(port_) && listensOnLoopback(securePort_) && listensOnLoopback(tlsPort_))) {
        if (process_->ended()) {
            process_.reset();
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("mosquitto does not listen");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void MosquittoBroker::kill() {
    if (!process_) return;
    process_->kill();
    process_.reset();
}

}  // namespace kavtra::test
