#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace kavtra::test {

// Sets an environment variable (or removes it, for nullptr) for one test and
// puts the old value back.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace kavtra::test
