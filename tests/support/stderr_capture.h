#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace kavtra::test {

// Everything written to standard error while the object lives, kept in a
// file of the test's folder.
class StderrCapture {
public:
    explicit StderrCapture(const ScratchDir& dir) : path_(dir.file("stderr.txt")), saved_(::dup(2)) {
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

}  // namespace kavtra::test
