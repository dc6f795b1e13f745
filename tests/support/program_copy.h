#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "port/port_tap.h"
#include "tests/support/file_bytes.h"

namespace kavtra::test {

// The real program (both its executables), copied into a folder of the test's own: its config.ini
// and Data.dat then live there, and so does its own command socket. It runs
// on the simulated port and traces every port access to `trace`.
class ProgramCopy {
public:
    ProgramCopy(const std::filesystem::path& dir, const std::string& builtProgram);

    // A copy that runs until the test ends it; started once the socket answers.
    std::unique_ptr<QProcess> start(const QStringList& arguments, bool window = false);

    // One invocation, waited for.
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };
    Run run(const QStringList& arguments, const QProcessEnvironment& environment) const;
    Run run(const QStringList& arguments) const { return run(arguments, environment); }

    std::vector<PortAccess> trace() const { return readTrace(dir / "trace"); }
    std::string file(const std::string& name) const { return readBytes(dir / name); }
    void write(const std::string& name, const std::string& bytes) const { writeBytes(dir / name, bytes); }

    static std::vector<PortAccess> readTrace(const std::filesystem::path& path);

    const std::filesystem::path dir;
    const std::filesystem::path program;
    QProcessEnvironment environment;
    // The user the program runs as, when not the test's own (root only).
    std::optional<uid_t> user;

private:
    void prepare(QProcess& process) const;
};

}  // namespace kavtra::test
