#include <filesystem>
#include <system_error>

#include "persist/platform/utf8_path.h"
#include "persist/profile/cls_ini.h"
#include "persist/profile/profile.h"

namespace kavtra {

std::string clsINI::GetWinINIString(std::string_view sSection, std::string_view sKey, std::string_view sDefault) const {
    return getPrivateProfileString(sSection, sKey, sDefault, systemProfilePath());
}

void clsINI::WriteWinINIString(std::string_view sSection, std::string_view sKey, std::string_view sValue) const {
    const std::string path = systemProfilePath();
    // The directory is ours to make; a failure shows as the write's own.
    std::error_code ignored;
    std::filesystem::create_directories(pathFromUtf8(path).parent_path(), ignored);
    writePrivateProfileString(sSection, sKey, sValue, path);
}

}  // namespace kavtra
