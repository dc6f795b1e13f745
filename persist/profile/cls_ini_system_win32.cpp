#include <windows.h>

#include "persist/platform/wide_text.h"
#include "persist/profile/cls_ini.h"

namespace kavtra {

// Windows' system-wide profile is more than win.ini: the registry takes over
// sections of it (IniFileMapping), the Windows folder is not the user's to
// write, and only the native functions know either. Their Unicode forms read
// the file in the system's own code page, whatever it is.

std::string clsINI::GetWinINIString(std::string_view sSection, std::string_view sKey, std::string_view sDefault) const {
    wchar_t buffer[512];
    const DWORD n = ::GetProfileStringW(widen(sSection).c_str(), widen(sKey).c_str(), widen(sDefault).c_str(), buffer,
                                        static_cast<DWORD>(std::size(buffer)));
    return narrow(std::wstring_view(buffer, n));
}

void clsINI::WriteWinINIString(std::string_view sSection, std::string_view sKey, std::string_view sValue) const {
    ::WriteProfileStringW(widen(sSection).c_str(), widen(sKey).c_str(), widen(sValue).c_str());
}

}  // namespace kavtra
