#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "persist/cls_ini.h"
#include "persist/program_paths.h"

namespace kavtra {

std::string executableBaseName() {
    std::string name = program_invocation_short_name;
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0) name.assign(buffer, static_cast<std::size_t>(n));
    return std::filesystem::path(name).stem().string();
}

std::string systemProfilePath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/kavtra/win.ini";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : "/";
    }
    return std::string(home) + "/.config/kavtra/win.ini";
}

}  // namespace kavtra
