#include "persist/log/change_log.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "persist/platform/file_io.h"
#include "persist/platform/utf8_path.h"

namespace kavtra {
namespace {

bool endsMidLine(const std::string& path) {
    std::ifstream in(pathFromUtf8(path), std::ios::binary | std::ios::ate);
    if (!in || in.tellg() <= 0) return false;
    in.seekg(-1, std::ios::end);
    return in.get() != '\n';
}

// Adds the whole lines of bytes, newest first, until `lines` holds n.
void takeLinesFromEnd(std::string_view bytes, std::size_t n, std::vector<std::string>& lines) {
    std::size_t end = bytes.rfind('\n');
    if (end == std::string_view::npos) return;
    while (lines.size() < n) {
        const std::size_t before = end == 0 ? std::string_view::npos : bytes.rfind('\n', end - 1);
        const std::size_t start = before == std::string_view::npos ? 0 : before + 1;
        lines.emplace_back(bytes.substr(start, end - start));
        if (before == std::string_view::npos) return;
        end = before;
    }
}

}  // namespace

std::string changeLogPath(const std::string& filesDir) { return filesDir + "/Kavtra.log"; }

ChangeLog::ChangeLog(std::string path, std::uintmax_t capBytes, Listener listener)
    : path_(std::move(path)), cap_(capBytes), listener_(std::move(listener)) {}

void ChangeLog::append(std::string_view line) noexcept {
    try {
        std::string failure = makeRoom(line.size() + 1);
        std::string bytes(!endsWithWholeLine_ && endsMidLine(path_) ? 1 : 0, '\n');
        bytes.append(line).push_back('\n');
        const std::string written = appendToFile(path_, bytes);
        // A failed write may have left part of the line behind.
        endsWithWholeLine_ = written.empty();
        if (failure.empty()) failure = written;
        if (failure.empty()) {
            succeeded();
        } else {
            failed(failure);
        }
    } catch (const std::exception& e) {
        try {
            failed(e.what());
        } catch (...) {
        }
    } catch (...) {
    }
}

std::string ChangeLog::makeRoom(std::uintmax_t adding) {
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(pathFromUtf8(path_), code);
    if (code || size == 0 || size + adding <= cap_) return {};
    const std::string predecessor = path_ + ".1";
    const std::string failure = renameReplacing(path_, predecessor);
    // The full file takes the line all the same: a record past the cap is
    // better than none.
    if (!failure.empty()) return predecessor + ": " + failure;
    endsWithWholeLine_ = true;
    return {};
}

void ChangeLog::failed(const std::string& reason) {
    if (!reported_.insert(reason).second) return;
    const std::string line = "kavtra: не удалось дописать журнал " + path_ + ": " + reason + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    if (listener_) listener_(reason);
}

void ChangeLog::succeeded() {
    if (reported_.empty()) return;
    reported_.clear();
    if (listener_) listener_({});
}

std::vector<std::string> lastLogLines(const std::string& path, std::size_t n) {
    std::vector<std::string> lines;
    // Each file is at most about the cap, so reading it whole costs less than
    // seeking through it.
    takeLinesFromEnd(readWholeFile(path).bytes, n, lines);
    if (lines.size() < n) takeLinesFromEnd(readWholeFile(path + ".1").bytes, n, lines);
    std::reverse(lines.begin(), lines.end());
    return lines;
}

}  // namespace kavtra
