#include "persist/platform/temporary_files.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "persist/platform/file_io.h"
#include "persist/platform/utf8_path.h"

namespace kavtra {
namespace {

std::size_t nameStart(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// A run of decimal digits at the start of text, up to the separator.
template <typename Number>
std::optional<Number> leadingNumber(std::string_view& text, char separator) {
    const std::size_t end = text.find(separator);
    if (end == 0 || end == std::string_view::npos) return std::nullopt;
    Number number{};
    const auto [stop, failure] = std::from_chars(text.data(), text.data() + end, number);
    if (failure != std::errc() || stop != text.data() + end) return std::nullopt;
    text.remove_prefix(end + 1);
    return number;
}

}  // namespace

std::string temporaryPath(const std::string& target, unsigned long process, unsigned counter) {
    const std::size_t start = nameStart(target);
    const std::string directory = start == 0 ? "." : target.substr(0, start - 1);
    return directory + "/." + target.substr(start) + "." + std::to_string(process) + "." + std::to_string(counter) +
           ".tmp";
}

std::optional<unsigned long> temporaryWriter(std::string_view name, std::string_view target) {
    const std::string_view base = target.substr(nameStart(target));
    if (name.size() <= base.size() + 2 || name[0] != '.' || name.substr(1, base.size()) != base ||
        name[base.size() + 1] != '.') {
        return std::nullopt;
    }
    std::string_view rest = name.substr(base.size() + 2);
    const auto process = leadingNumber<unsigned long>(rest, '.');
    if (!process || !leadingNumber<unsigned>(rest, '.') || rest != "tmp") return std::nullopt;
    return process;
}

void removeAbandonedTemporaries(const std::string& target) {
    namespace fs = std::filesystem;
    const fs::path targetPath = pathFromUtf8(target);
    const fs::path directory = targetPath.has_parent_path() ? targetPath.parent_path() : fs::path(".");
    const unsigned long self = currentProcessId();
    std::error_code code;
    for (fs::directory_iterator entry(directory, code); !code && entry != fs::directory_iterator();
         entry.increment(code)) {
        const auto writer = temporaryWriter(utf8FromPath(entry->path().filename()), target);
        // A leftover of this process's own id comes from an earlier process
        // that had the same id: this one is not saving target now.
        if (!writer || (*writer != self && processRunning(*writer))) continue;
        std::error_code ignored;
        fs::remove(entry->path(), ignored);
    }
}

}  // namespace kavtra
