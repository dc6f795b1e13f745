#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace kavtra::testing {

// A fresh directory per test, so files and failure reports (once per path)
// never meet another test's.
struct TempDir {
    TempDir() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() / (std::string("kavtra-") + test->test_suite_name() + "." +
                                                         test->name() + "-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(path);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The names in a directory, sorted: what a save left behind.
inline std::vector<std::string> namesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Everything written to standard error while the object lives, kept in a
// file of the test's directory.
class StderrCapture {
public:
    explicit StderrCapture(const TempDir& dir) : path_(dir.file("stderr.txt")), saved_(::dup(2)) {
        const int file = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0644);
        ::dup2(file, 2);
        ::close(file);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    std::string text() {
        restore();
        return readBytes(path_);
    }

private:
    void restore() {
        if (saved_ < 0) return;
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    std::string path_;
    int saved_;
};

}  // namespace kavtra::testing
