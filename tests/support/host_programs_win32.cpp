#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h, which must come first.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/host_programs.h"

// A program built for Windows cannot start a Linux one by itself. Under Wine
// it can: CreateProcess given a Linux executable forks and execs it, but
// hands back no process to wait for or end. So every program runs inside
// /bin/sh, which writes the program's process id and, once it has ended, its
// exit status into files this side reads; ending it is another program, kill.

namespace kavtra::test {
namespace {

std::wstring wide(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// One argument as Wine (like CommandLineToArgvW) splits it off a command
// line again: quoted, with backslashes doubled where a quote follows them.
std::wstring quoted(const std::string& arg) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : wide(arg)) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// Runs `script` in /bin/sh with `args` as $0, $1, …; returns at once.
void startShell(const std::string& script, const std::vector<std::string>& args) {
    std::wstring commandLine = L"/bin/sh -c " + quoted(script);
    for (const std::string& arg : args) commandLine += L" " + quoted(arg);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        throw std::runtime_error("cannot start /bin/sh (Linux programs start only under Wine)");
    // Wine gives no process for a Linux program; should that change, the
    // handles are not leaked.
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
}

// A fresh base name in the temporary folder for the files of one program.
std::filesystem::path runFiles() {
    static std::atomic<int> counter{0};
    return std::filesystem::temp_directory_path() /
           ("kavtra-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
}

// Waits for a file the shell renames into place once it is complete, and
// returns its first word.
std::string awaitWord(const std::filesystem::path& file, const std::string& what) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(file)) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error(what + " did not end");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string word;
    std::ifstream(file) >> word;
    return word;
}

void winsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("no Winsock");
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

std::string hostPath(const std::filesystem::path& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) throw std::runtime_error("no Linux path for " + path.string() + " (not under Wine)");
    char* name = unixName(std::filesystem::absolute(path).wstring().c_str());
    if (!name) throw std::runtime_error("no Linux path for " + path.string());
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

void runToEnd(const std::vector<std::string>& args) {
    const std::filesystem::path status = runFiles().concat(".status");
    std::vector<std::string> shellArgs{hostPath(status)};
    shellArgs.insert(shellArgs.end(), args.begin(), args.end());
    startShell(R"("$@" >/dev/null 2>&1; echo $? >"$0.part"; mv "$0.part" "$0")", shellArgs);
    const std::string code = awaitWord(status, args[0]);
    std::filesystem::remove(status);
    if (code != "0") throw std::runtime_error(args[0] + " failed");
}

struct HostProcess::State {
    std::filesystem::path pidFile;
    std::filesystem::path statusFile;
    bool gone = false;
};

HostProcess::HostProcess(const std::vector<std::string>& args) : state_(new State) {
    const std::filesystem::path files = runFiles();
    state_->pidFile = std::filesystem::path(files).concat(".pid");
    state_->statusFile = std::filesystem::path(files).concat(".status");
    std::vector<std::string> shellArgs{hostPath(files)};
    shellArgs.insert(shellArgs.end(), args.begin(), args.end());
    startShell(R"("$@" >/dev/null 2>&1 & echo $! >"$0.pid.part"; mv "$0.pid.part" "$0.pid"; )"
               R"(wait $!; echo $? >"$0.status.part"; mv "$0.status.part" "$0.status")",
               shellArgs);
}

HostProcess::~HostProcess() {
    try {
        kill();
    } catch (const std::exception&) {
        // A program that cannot be ended here is left to its own end.
    }
    std::error_code ignored;
    std::filesystem::remove(state_->pidFile, ignored);
    std::filesystem::remove(state_->statusFile, ignored);
}

bool HostProcess::ended() { return state_->gone || std::filesystem::exists(state_->statusFile); }

void HostProcess::kill() {
    if (state_->gone) return;
    const std::string pid = awaitWord(state_->pidFile, "starting");
    if (!ended()) {
        try {
            runToEnd({"kill", "-KILL", pid});
        } catch (const std::runtime_error&) {
            // It ended by itself in between; the status file tells.
        }
    }
    awaitWord(state_->statusFile, "the killed program");
    state_->gone = true;
}

int freeLoopbackPort() {
    winsock();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    int size = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::closesocket(s);
        throw std::runtime_error("no free loopback port");
    }
    ::closesocket(s);
    return ntohs(address.sin_port);
}

bool listensOnLoopback(int port) {
    winsock();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool ok = ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::closesocket(s);
    return ok;
}

}  // namespace kavtra::test
