#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/host_programs.h"

namespace kavtra::test {

// Debian's mosquitto (a Linux program, under Wine too) on free loopback ports with a configuration of its own:
// run as the user who runs the tests in a folder only that user may enter, no persistence; `port` lets anyone in,
// `securePort` only the user of kUser/kPassword, `tlsPort` anyone over TLS with a certificate for 127.0.0.1 that
// certificateFile() holds. Stopped (never left running) when it goes.
class MosquittoBroker {
public:
    static constexpr const char* kUser = "kavtra";
    static constexpr const char* kPassword = "secret";

    explicit MosquittoBroker(std::filesystem::path dir);
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // Starts it (again, on the same ports) and returns once both listen.
    void start();
    // Ends it with SIGKILL, as a crash would: no goodbye to the clients.
    void kill();

    int port() const { return port_; }
    int securePort() const { return securePort_; }
    int tlsPort() const { return tlsPort_; }
    std::string certificateFile() const { return (dir_ / "cert.pem").string(); }

private:
    // Whether it listens on all three ports; false when it ended first.
    bool launch();

    std::filesystem::path dir_;
    int port_ = 0;
    int securePort_ = 0;
    int tlsPort_ = 0;
    std::unique_ptr<HostProcess> process_;
};

}  // namespace kavtra::test
