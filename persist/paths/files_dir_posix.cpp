#include "persist/paths/files_dir.h"

#include <unistd.h>

#include <filesystem>

#include "persist/paths/user_dirs.h"

namespace kavtra {

std::string filesDirectory(const std::string& executableDir) {
    return filesDirectory(executableDir, ::access(executableDir.c_str(), W_OK) == 0);
}

std::string filesDirectory(const std::string& executableDir, bool executableDirWritable) {
    if (executableDirWritable) return executableDir;
    const std::string dir = userDataHome() + "/kavtra";
    // Should this fail, the saves fail too and say so on standard error.
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return dir;
}

}  // namespace kavtra
