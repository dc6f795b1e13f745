#include "persist/cls_ini.h"

#include <filesystem>
#include <system_error>

#include "persist/profile.h"
#include "persist/program_paths.h"
#include "persist/utf8_path.h"

namespace kavtra {

clsINI::clsINI() : fileName_(executableBaseName() + ".ini") {}

std::string clsINI::GetPrivateINIString(std::string_view sSection, std::string_view sKEy,
                                        std::string_view sDefault) const {
    return getPrivateProfileString(sSection, sKEy, sDefault, fileName_);
}

void clsINI::WritePrivateINIString(std::string_view sSection, std::string_view sKEy, std::string_view sValue) const {
    writePrivateProfileString(sSection, sKEy, sValue, fileName_);
}

std::string clsINI::GetWinINIString(std::string_view sSection, std::string_view sKEy,
                                    std::string_view sDefault) const {
    return getPrivateProfileString(sSection, sKEy, sDefault, systemProfilePath());
}

void clsINI::WriteWinINIString(std::string_view sSection, std::string_view sKEy, std::string_view sValue) const {
    const std::string path = systemProfilePath();
    // The directory is ours to make; a failure shows as the write's own.
    std::error_code ignored;
    std::filesystem::create_directories(pathFromUtf8(path).parent_path(), ignored);
    writePrivateProfileString(sSection, sKEy, sValue, path);
}

}  // namespace kavtra
