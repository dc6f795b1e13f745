#include <filesystem>
#include <system_error>

#include "persist/platform/file_io.h"
#include "persist/platform/utf8_path.h"

namespace kavtra {

namespace fs = std::filesystem;

std::string followLinks(const std::string& path, std::string& error) {
    fs::path current = pathFromUtf8(path);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code code;
        if (!fs::is_symlink(current, code)) return hops == 0 ? path : utf8FromPath(current);
        const fs::path target = fs::read_symlink(current, code);
        if (code) {
            error = "cannot read the link: " + code.message();
            return {};
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    error = "cannot follow the link: " + std::make_error_code(std::errc::too_many_symbolic_link_levels).message();
    return {};
}

}  // namespace kavtra
