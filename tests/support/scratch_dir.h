#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kavtra::test {

// A fresh, empty folder named after the running test, under the working
// directory (the test's build folder), removed again at the end. The name is
// not random because on Windows a death test's child process runs the test
// body again from its start and has to find the same folder as its parent.
struct ScratchDir {
    ScratchDir() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::current_path() /
               (std::string("scratch-") + test->test_suite_name() + "." + test->name());
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::filesystem::path path;
};

}  // namespace kavtra::test
