#include "persist/cls_ini.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "persist/profile.h"

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

std::string configurationHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : "/";
    }
    return std::string(home) + "/.config";
}

}  // namespace

std::string systemProfilePath() { return configurationHome() + "/kavtra/win.ini"; }

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
