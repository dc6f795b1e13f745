#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "persist/paths/program_paths.h"
#include "persist/paths/user_dirs.h"
#include "persist/profile/cls_ini.h"

namespace kavtra {

std::string executableBaseName() {
    std::string name = program_invocation_short_name;
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0) name.assign(buffer, static_cast<std::size_t>(n));
    return std::filesystem::path(name).stem().string();
}

std::string executableDirectory() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
}

std::string systemProfilePath() { return userConfigHome() + "/kavtra/win.ini"; }

}  // namespace kavtra
