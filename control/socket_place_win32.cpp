#include <windows.h>

#include <filesystem>
#include <vector>

#include "control/socket_place.h"
#include "persist/platform/utf8_path.h"
#include "persist/platform/wide_text.h"

namespace kavtra {

namespace {

std::wstring environment(const wchar_t* name) {
    std::wstring value(::GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

// The TOKEN_USER of a process, empty when it cannot be read (another user's
// process usually keeps its token from us: that is an answer too).
std::vector<BYTE> tokenUser(HANDLE process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, user.data(), size, &size)) user.clear();
    ::CloseHandle(token);
    return user;
}

ULONG peerProcess(std::intptr_t descriptor, PeerSide peer) {
    const HANDLE pipe = reinterpret_cast<HANDLE>(descriptor);
    ULONG processId = 0;
    const BOOL known = peer == PeerSide::Server ? ::GetNamedPipeServerProcessId(pipe, &processId)
                                                : ::GetNamedPipeClientProcessId(pipe, &processId);
    return known ? processId : 0;
}

}  // namespace

bool processIsThisUser(unsigned long processId) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return false;
    const std::vector<BYTE> theirs = tokenUser(process);
    ::CloseHandle(process);
    const std::vector<BYTE> ours = tokenUser(::GetCurrentProcess());
    return !theirs.empty() && !ours.empty() &&
           ::EqualSid(reinterpret_cast<const TOKEN_USER*>(theirs.data())->User.Sid,
                      reinterpret_cast<const TOKEN_USER*>(ours.data())->User.Sid);
}

// A pipe has no folder; the lock file lies in the user's own temporary
// folder. Who may reach the pipe is checked on the connection itself.
SocketFolder checkSocketFolder(const SocketPlace&, bool) { return {SocketFolder::State::Ours, {}}; }

// Pipes' names are one namespace for every user of the machine, so another
// user can make a pipe of the name ours would have.
bool peerIsThisUser(std::intptr_t descriptor, PeerSide peer) {
    const ULONG processId = peerProcess(descriptor, peer);
    return processId != 0 && processIsThisUser(processId);
}

std::string peerName(std::intptr_t descriptor, PeerSide peer) {
    const ULONG processId = peerProcess(descriptor, peer);
    return processId != 0 ? "процесс " + std::to_string(processId) : "процесс неизвестен";
}

namespace platform {

std::string userKey() { return narrow(environment(L"USERDOMAIN") + L'\\' + environment(L"USERNAME")); }

// Windows' paths match in any letter case, and with either slash.
std::string directoryKey(const std::string& dir) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::weakly_canonical(pathFromUtf8(dir), error);
    if (error) path = std::filesystem::absolute(pathFromUtf8(dir), error).lexically_normal();
    std::wstring text = path.make_preferred().wstring();
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return narrow(text);
}

SocketPlace socketPlace(const std::string& baseName) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    const std::string folder = utf8FromPath(std::filesystem::path(std::wstring(temp, length)).lexically_normal());
    return {baseName, utf8FromPath(pathFromUtf8(folder) / pathFromUtf8(baseName + ".lock")), folder};
}

}  // namespace platform

}  // namespace kavtra
