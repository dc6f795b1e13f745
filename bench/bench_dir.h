#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace kavtra {

// A new, empty folder of its own in the system's temporary folder (TMPDIR,
// or TMP on Windows), so the saves measured go through the same file system
// as a user's would; removed with its files at the end.
struct BenchDir {
    BenchDir() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (auto n = std::chrono::steady_clock::now().time_since_epoch().count();; ++n) {
            path = base / ("kavtra-bench-" + std::to_string(n));
            if (std::filesystem::create_directory(path)) return;
        }
    }
    ~BenchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    BenchDir(const BenchDir&) = delete;
    BenchDir& operator=(const BenchDir&) = delete;

    std::filesystem::path path;
};

}  // namespace kavtra
