#include "persist/platform/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>

#include "persist/platform/temporary_files.h"

namespace kavtra {
namespace {

std::string reason(const char* doing) { return std::string(doing) + ": " + std::strerror(errno); }

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Created exclusively, so that a leftover of a crashed process with the
// same id is skipped.
int createTemporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryPath(path, currentProcessId(), counter++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void syncDirectory(const std::string& path) {
    // The rename is durable only once the directory is; a file system that
    // cannot sync a directory has done all it can already.
    const int fd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileVersion versionOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

// Two seconds: the timestamps of FAT; ext4 and tmpfs advance theirs only at
// each scheduler tick (a few milliseconds).
bool settledNow(const FileVersion& version) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now) - version.changed > 2'000'000'000;
}

// Where the lock file is created: with the target's permissions and owner
// (those of a new file when the target is missing yet).
int createLockFile(const std::string& lockPath, const std::string& target) {
    struct stat st {};
    const bool targetExists = ::stat(target.c_str(), &st) == 0;
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 || !targetExists) return fd;
    // Only a privileged process can hand the file to another owner.
    [[maybe_unused]] const int owned = ::fchown(fd, st.st_uid, st.st_gid);
    ::fchmod(fd, st.st_mode & 0666);
    return fd;
}

int openLockFile(const std::string& lockPath, const std::string& target) {
    for (;;) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno == EACCES || errno == EPERM || errno == EROFS) {
            // flock needs no write access: a lock file made by another user
            // still serves.
            return ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (errno != ENOENT) return -1;
        const int created = createLockFile(lockPath, target);
        if (created >= 0 || errno != EEXIST) return created;
    }
}

}  // namespace

unsigned long currentProcessId() { return static_cast<unsigned long>(::getpid()); }

bool processRunning(unsigned long process) {
    // 0 and values beyond pid_t would address process groups, not a process.
    if (process == 0 || process > static_cast<unsigned long>(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

std::optional<FileVersion> currentVersion(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return versionOf(st);
}

FileRead readWholeFile(const std::string& path) {
    FileRead read;
    // O_NONBLOCK keeps a FIFO put at the file's place from blocking the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) read.error = reason("cannot open");
        return read;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        read.error = reason("cannot examine");
    } else if (!S_ISREG(st.st_mode)) {
        read.error = "not a regular file";
    } else {
        read.exists = true;
        read.version = versionOf(st);
        read.settled = settledNow(read.version);
        read.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
        read.owner = st.st_uid;
        read.group = st.st_gid;
        read.bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t filled = 0;
        for (;;) {
            if (filled == read.bytes.size()) read.bytes.resize(filled + 4096);
            const ssize_t n = ::read(fd, read.bytes.data() + filled, read.bytes.size() - filled);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                read.error = reason("cannot read");
                break;
            }
            if (n == 0) break;
            filled += static_cast<std::size_t>(n);
        }
        read.bytes.resize(filled);
    }
    ::close(fd);
    if (!read.error.empty()) read.exists = false;
    return read;
}

std::string checkWritable(const std::string& path) {
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return reason("cannot write the file");
    return {};
}

std::string replaceAtomically(const std::string& path, std::string_view bytes, const FileRead& old) {
    std::string temporary;
    const int fd = createTemporary(path, temporary);
    if (fd < 0) return reason("cannot create a temporary file");
    std::string failure;
    if (old.exists) {
        // Only a privileged process can hand the file back to another owner;
        // for anyone else the owner is already the right one. The owner goes
        // first because changing it clears set-id bits.
        [[maybe_unused]] const int owned = ::fchown(fd, old.owner, old.group);
        if (::fchmod(fd, static_cast<mode_t>(old.mode)) != 0) failure = reason("cannot set the permissions");
    }
    if (failure.empty() && !writeAll(fd, bytes)) failure = reason("cannot write");
    if (failure.empty() && ::fsync(fd) != 0) failure = reason("cannot flush to disk");
    if (::close(fd) != 0 && failure.empty()) failure = reason("cannot write");
    if (failure.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) failure = reason("cannot replace");
    if (!failure.empty()) {
        ::unlink(temporary.c_str());
        return failure;
    }
    syncDirectory(path);
    return {};
}

std::string appendToFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return reason("cannot open");
    std::string failure;
    if (!writeAll(fd, bytes)) failure = reason("cannot write");
    if (::close(fd) != 0 && failure.empty()) failure = reason("cannot write");
    return failure;
}

std::string renameReplacing(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return reason("cannot rename");
    return {};
}

FileLock::FileLock(const std::string& target) {
    const std::string lockPath = target + ".lock";
    const int fd = openLockFile(lockPath, target);
    if (fd < 0) {
        error_ = reason("cannot create the lock file");
        return;
    }
    handle_ = fd;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = reason("cannot lock");
            return;
        }
    }
}

FileLock::~FileLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace kavtra
