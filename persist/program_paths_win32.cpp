#include <windows.h>

#include <filesystem>

#include "persist/cls_ini.h"
#include "persist/program_paths.h"
#include "persist/utf8_path.h"

namespace kavtra {

std::string executableBaseName() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return utf8FromPath(std::filesystem::path(std::wstring(buffer, n)).stem());
}

// The system-wide profile of Windows itself: win.ini in the Windows folder.
std::string systemProfilePath() {
    wchar_t buffer[MAX_PATH * 4];
    const UINT n = ::GetWindowsDirectoryW(buffer, static_cast<UINT>(std::size(buffer)));
    return utf8FromPath(std::filesystem::path(std::wstring(buffer, n)) / L"win.ini");
}

}  // namespace kavtra
