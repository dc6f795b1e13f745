#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

namespace kavtra::test {

// A fresh, empty folder for the running test, removed again at the end, so
// that files and failure reports (once per path) never meet another test's.
// It lies in the system's temporary folder, which every user may reach, so a
// test can drop root's rights in a child process and still work in it. Its
// name is made of the test's name and the working directory (the test's build
// folder), never at random: on Windows a death test's child process runs the
// test body again from its start and has to find the same folder as its
// parent, and two build trees' runs at the same time must not share one.
struct ScratchDir {
    ScratchDir() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "." + test->name();
        std::replace(name.begin(), name.end(), '/', '-');  // parameterised tests
        std::ostringstream tree;
        tree << std::hex << std::hash<std::string>{}(std::filesystem::current_path().string());
        path = std::filesystem::temp_directory_path() / ("kavtra-" + tree.str() + "-" + name);
        remove();
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() { remove(); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;

private:
    // Tests take rights away from folders and files (read-only attributes on
    // Windows); they are given back first, or the tree could not go.
    void remove() const {
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (auto it = fs::recursive_directory_iterator(path, ignored); it != fs::recursive_directory_iterator();
             it.increment(ignored)) {
            if (!it->is_symlink(ignored))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(path, ignored);
    }
};

}  // namespace kavtra::test
