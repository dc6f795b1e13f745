#include "persist/paths/user_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace kavtra {
namespace {

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : "/";
    }
    return home;
}

std::string baseDirectory(const char* variable, const char* underHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return value;
    return homeDirectory() + underHome;
}

}  // namespace

std::string userConfigHome() { return baseDirectory("XDG_CONFIG_HOME", "/.config"); }

std::string userDataHome() { return baseDirectory("XDG_DATA_HOME", "/.local/share"); }

}  // namespace kavtra
