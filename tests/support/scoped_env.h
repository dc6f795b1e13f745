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
        set(name, value);
    }
    ~ScopedEnv() { set(name_, old_ ? old_->c_str() : nullptr); }
    static void set(const char* name, const char* value) {
#ifdef _WIN32
        // An empty value removes the variable.
        ::_putenv_s(name, value ? value : "");
#else
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
#endif
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace kavtra::test
