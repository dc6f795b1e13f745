#include <windows.h>

#include <filesystem>

#include "persist/paths/program_paths.h"
#include "persist/platform/utf8_path.h"

namespace kavtra {

std::string executableBaseName() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return utf8FromPath(std::filesystem::path(std::wstring(buffer, n)).stem());
}

std::string executableDirectory() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return utf8FromPath(std::filesystem::path(std::wstring(buffer, n)).parent_path());
}

}  // namespace kavtra
