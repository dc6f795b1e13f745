#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "persist/paths/files_dir.h"
#include "persist/platform/wide_text.h"

namespace kavtra {
namespace {

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

std::wstring withBackslashes(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

bool isWithin(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty() || path.size() < folder.size()) return false;
    if (path.size() > folder.size() && path[folder.size()] != L'\\') return false;
    return ::CompareStringOrdinal(path.data(), static_cast<int>(folder.size()), folder.data(),
                                  static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// Windows grants writing by access lists the read-only attribute does not
// show, so the only sure answer is a file created there.
bool canCreateFileIn(const std::wstring& dir) {
    const std::wstring probe = dir + L"\\kavtra-write-test-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                      nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

// A copy under Program Files counts as installed even when this run could
// write there: the port-I/O DLL has the program started once as
// administrator, and that run would leave its files where the user's later,
// ordinary runs cannot write and no longer look.
bool userMayWrite(const std::wstring& dir) {
    for (const KNOWNFOLDERID& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86})
        if (isWithin(dir, withBackslashes(knownFolder(id)))) return false;
    return canCreateFileIn(dir);
}

}  // namespace

std::string filesDirectory(const std::string& executableDir) {
    return filesDirectory(executableDir, userMayWrite(withBackslashes(widen(executableDir))));
}

std::string filesDirectory(const std::string& executableDir, bool executableDirWritable) {
    if (executableDirWritable) return executableDir;
    const std::wstring dir = knownFolder(FOLDERID_RoamingAppData) + L"\\Kavtra";
    // Should this fail, the saves fail too and are reported.
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return narrow(dir);
}

}  // namespace kavtra
