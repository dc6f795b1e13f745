#include <windows.h>

#include "control/command_client.h"
#include "persist/platform/wide_text.h"

namespace kavtra {

namespace {

constexpr DWORD kConnectWaitMs = 2000;
// A pipe's write ends when the program reads, which a program busy for a
// moment (a slow save, the system's TLS loading) does late; a socket's write
// on Linux never waits for that. As long as a reply may take.
constexpr int kWriteWaitMs = 30000;

// With its number, which a user can look up.
std::string withCode(DWORD error) { return systemMessage(error) + " (" + std::to_string(error) + ")"; }

// Waits for one overlapped read or write to end; false when it failed or
// took longer than `timeoutMs` (then it is cancelled).
bool finish(HANDLE pipe, OVERLAPPED& io, BOOL started, int timeoutMs, DWORD& done) {
    if (!started && ::GetLastError() != ERROR_IO_PENDING) return false;
    if (::WaitForSingleObject(io.hEvent, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        ::CancelIo(pipe);
        ::GetOverlappedResult(pipe, &io, &done, TRUE);
        return false;
    }
    return ::GetOverlappedResult(pipe, &io, &done, FALSE) != 0;
}

struct Overlapped {
    Overlapped() { io.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() { ::CloseHandle(io.hEvent); }
    OVERLAPPED io{};
};

}  // namespace

CommandConnection::Outcome CommandConnection::open(const SocketPlace& place) {
    close();
    problem_.clear();
    const std::wstring name = L"\\\\.\\pipe\\" + widen(place.serverName);
    const ULONGLONG deadline = ::GetTickCount64() + kConnectWaitMs;
    for (;;) {
        // Identification only: a server may learn who we are, but can never
        // act in our name, whoever made the pipe.
        const HANDLE pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                          nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(pipe);
            break;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return Outcome::NoServer;
        if (error == ERROR_ACCESS_DENIED)
            return refuse("канал команд " + place.serverName +
                          " закрыт для этого пользователя: его держит программа другого пользователя");
        const ULONGLONG now = ::GetTickCount64();
        if (error != ERROR_PIPE_BUSY || now >= deadline)
            return fail("канал команд " + place.serverName + ": " + withCode(error));
        if (!::WaitNamedPipeW(name.c_str(), static_cast<DWORD>(deadline - now)) &&
            ::GetLastError() == ERROR_FILE_NOT_FOUND)
            return Outcome::NoServer;
    }
    if (!peerIsThisUser(handle_, PeerSide::Server))
        return refuse("на канале команд " + place.serverName + " отвечает программа другого пользователя (" +
                      peerName(handle_, PeerSide::Server) + ")");
    return Outcome::Connected;
}

bool CommandConnection::write(std::string_view bytes) {
    const HANDLE pipe = reinterpret_cast<HANDLE>(handle_);
    while (!bytes.empty()) {
        Overlapped write;
        DWORD done = 0;
        const BOOL started = ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &write.io);
        if (!finish(pipe, write.io, started, kWriteWaitMs, done) || done == 0) {
            problem_ = withCode(::GetLastError());
            return false;
        }
        bytes.remove_prefix(done);
    }
    return true;
}

bool CommandConnection::read(std::string& into, int timeoutMs) {
    const HANDLE pipe = reinterpret_cast<HANDLE>(handle_);
    Overlapped read;
    char buffer[4096];
    DWORD done = 0;
    const BOOL started = ::ReadFile(pipe, buffer, sizeof buffer, nullptr, &read.io);
    if (!finish(pipe, read.io, started, timeoutMs, done) || done == 0) return false;
    into.append(buffer, done);
    return true;
}

void CommandConnection::close() {
    if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

}  // namespace kavtra
