#include "persist/cls_ini.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "persist/profile.h"
#include "persist/user_dirs.h"

namespace kavtra {
namespace {

// The executable's file name without directory and extension.
std::string executableBaseName() {
    std::string name = program_invocation_short_name;
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0) name.assign(buffer, static_cast<std::size_t>(n));
    return std::filesystem::path(name).stem().string();
}

}  // namespace

std::string systemProfilePath() { return userConfigHome() + "/kavtra/win.ini"; }

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
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    writePrivateProfileString(sSection, sKEy, sValue, path);
}

}  // namespace kavtra
