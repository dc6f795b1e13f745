#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace kavtra::testing {

// A fresh directory per test, so files and failure reports never meet
// another test's.
struct TempDir {
    TempDir() {
        char pattern[] = "/tmp/kavtra-persist-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() {
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
        std::filesystem::remove_all(path);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Everything written to standard error while the object lives.
class StderrCapture {
public:
    StderrCapture() : saved_(::dup(2)) {
        char pattern[] = "/tmp/kavtra-stderr-XXXXXX";
        file_ = ::mkstemp(pattern);
        ::unlink(pattern);
        ::dup2(file_, 2);
    }
    ~StderrCapture() { restore(); }
    std::string text() {
        restore();
        std::string out;
        char buffer[512];
        ::lseek(file_, 0, SEEK_SET);
        for (ssize_t n; (n = ::read(file_, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
        return out;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    int saved_;
    int file_;
};

// Runs body in a child process that cannot override file permissions (a
// root test run drops to "nobody" there) and returns its exit status, or -1
// when it did not exit normally. The child's standard error goes to stderrPath.
inline int runUnprivileged(const std::string& stderrPath, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ::dup2(err, 2);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(120);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kavtra::testing
