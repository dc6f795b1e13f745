#include <windows.h>

#include <algorithm>
#include <atomic>

#include "persist/platform/file_io.h"
#include "persist/platform/temporary_files.h"
#include "persist/platform/wide_text.h"

namespace kavtra {
namespace {

std::string reason(const char* doing, DWORD code = ::GetLastError()) {
    return std::string(doing) + ": " + systemMessage(code);
}

bool isMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid()) ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool close() {
        const bool closed = ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h_;
};

// Created exclusively, so that a leftover of a crashed process with the
// same id is skipped.
HANDLE createTemporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryPath(path, currentProcessId(), counter++);
        const HANDLE h = ::CreateFileW(widen(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr)) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

std::int64_t ticks(LARGE_INTEGER time) { return time.QuadPart; }

std::int64_t ticks(FILETIME time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// Volume and file index name the file; the change time moves with every
// change of content or attributes, the last-write time can be set back.
std::optional<FileVersion> versionOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandle(file, &info) ||
        !::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return std::nullopt;
    }
    return FileVersion{info.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                       (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                       ticks(info.ftLastWriteTime), std::max(ticks(basic.ChangeTime), ticks(basic.LastWriteTime))};
}

// Two seconds: the timestamps of FAT; NTFS may note a write late but not
// later than that for a file that is closed again.
bool settledNow(const FileVersion& version) {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return ticks(now) - version.changed > 20'000'000;
}

}  // namespace

unsigned long currentProcessId() { return ::GetCurrentProcessId(); }

bool processRunning(unsigned long process) {
    const HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (h == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool running = !::GetExitCodeProcess(h, &code) || code == STILL_ACTIVE;
    ::CloseHandle(h);
    return running;
}

std::optional<FileVersion> currentVersion(const std::string& path) {
    Handle file(::CreateFileW(widen(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    return versionOf(file.get());
}

FileRead readWholeFile(const std::string& path) {
    FileRead read;
    const std::wstring wide = widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        if (!isMissing(code)) read.error = reason("cannot open", code);
        return read;
    }
    read.mode = attributes;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        read.error = "not a regular file";
        return read;
    }
    // Sharing delete and write keeps readers from blocking an atomic save.
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD code = ::GetLastError();
        if (!isMissing(code)) read.error = reason("cannot open", code);
        return read;
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        read.error = "not a regular file";
        return read;
    }
    if (const auto version = versionOf(file.get())) {
        read.version = *version;
        read.settled = settledNow(*version);
    }
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
            read.error = reason("cannot read");
            read.bytes.clear();
            return read;
        }
        if (got == 0) break;
        read.bytes.append(buffer, got);
    }
    read.exists = true;
    return read;
}

std::string checkWritable(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(widen(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return reason("cannot write the file", ERROR_ACCESS_DENIED);
    }
    return {};
}

std::string replaceAtomically(const std::string& path, std::string_view bytes, const FileRead& old) {
    std::string temporary;
    Handle file(createTemporary(path, temporary));
    if (!file.valid()) return reason("cannot create a temporary file");
    std::string failure;
    if (!writeAll(file.get(), bytes)) failure = reason("cannot write");
    if (failure.empty() && !::FlushFileBuffers(file.get())) failure = reason("cannot flush to disk");
    if (!file.close() && failure.empty()) failure = reason("cannot write");
    const std::wstring target = widen(path);
    const std::wstring replacement = widen(temporary);
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD kept = old.mode & kKept;
    if (failure.empty() && old.exists &&
        !::SetFileAttributesW(replacement.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) {
        failure = reason("cannot set the attributes");
    }
    // ReplaceFileW also keeps the old file's access list. It needs a file to
    // replace: one that is not there (gone since it was read, or a new file
    // given another's attributes, as a backup's staged copy is) is moved in.
    bool replaced = false;
    if (failure.empty() && old.exists) {
        replaced = ::ReplaceFileW(target.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                  nullptr, nullptr) != 0;
        if (!replaced && ::GetLastError() != ERROR_FILE_NOT_FOUND) failure = reason("cannot replace");
    }
    if (failure.empty() && !replaced &&
        !::MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        failure = reason("cannot replace");
    }
    if (!failure.empty()) ::DeleteFileW(replacement.c_str());
    return failure;
}

std::string appendToFile(const std::string& path, std::string_view bytes) {
    // Append access alone puts every write at the end of the file as it is
    // then, as O_APPEND does.
    Handle file(::CreateFileW(widen(path).c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return reason("cannot open");
    std::string failure;
    if (!writeAll(file.get(), bytes)) failure = reason("cannot write");
    if (!file.close() && failure.empty()) failure = reason("cannot write");
    return failure;
}

std::string renameReplacing(const std::string& from, const std::string& to) {
    if (!::MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return reason("cannot rename");
    }
    return {};
}

FileLock::FileLock(const std::string& target) {
    const std::wstring lockPath = widen(target + ".lock");
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = ::CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    // LockFileEx needs no write access: a lock file made by another user
    // still serves.
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        h = ::CreateFileW(lockPath.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (h == INVALID_HANDLE_VALUE) ::SetLastError(ERROR_ACCESS_DENIED);
    }
    if (h == INVALID_HANDLE_VALUE) {
        error_ = reason("cannot create the lock file");
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    OVERLAPPED whole{};
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) error_ = reason("cannot lock");
}

FileLock::~FileLock() {
    if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace kavtra
