#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kavtra::test {

// Programs of the Linux machine the tests run on (Debian's mosquitto, its
// password tool, openssl), started from a test program built for Linux or,
// under Wine, built for Windows. Their standard error goes to /dev/null: it
// would mix with the lines the tests check.

// The path under which those programs find `path`; under Wine a Windows path
// names a file of the Linux machine under another name.
std::string hostPath(const std::filesystem::path& path);

// Runs the program `args[0]` (found on PATH) with `args` to its end; throws
// when it fails.
void runToEnd(const std::vector<std::string>& args);

// A program started in the background.
class HostProcess {
public:
    explicit HostProcess(const std::vector<std::string>& args);
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool ended();
    // SIGKILL, as a crash would end it; returns once it is gone.
    void kill();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A loopback port the system has just handed out and nobody holds now.
int freeLoopbackPort();
// Whether something accepts connections on that loopback port.
bool listensOnLoopback(int port);

}  // namespace kavtra::test
