#include "persist/failure_report.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace kavtra {

void reportProfileFailure(std::string_view path, std::string_view what, std::string_view reason) {
    static std::mutex mutex;
    static std::set<std::string, std::less<>> reported;
    std::string line = "kavtra: ";
    line.append(path).append(" ").append(what).append(": ").append(reason).append("\n");
    const std::lock_guard<std::mutex> lock(mutex);
    if (!reported.insert(line).second) return;
    std::fputs(line.c_str(), stderr);
    // Standard error is buffered on some platforms when it is not a console.
    std::fflush(stderr);
}

}  // namespace kavtra
