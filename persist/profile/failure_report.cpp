#include "persist/profile/failure_report.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <utility>

namespace kavtra {
namespace {

std::mutex mutex;
std::function<void(const std::string&)> listener;

}  // namespace

void reportProfileFailure(std::string_view path, std::string_view what, std::string_view reason) {
    static std::set<std::string, std::less<>> reported;
    std::string line = "kavtra: ";
    line.append(path).append(" ").append(what).append(": ").append(reason).append("\n");
    std::function<void(const std::string&)> notify;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!reported.insert(line).second) return;
        // Without a console (a Windows window program) this fails quietly.
        std::fputs(line.c_str(), stderr);
        // Standard error is buffered on some platforms when it is not a console.
        std::fflush(stderr);
        notify = listener;
    }
    if (notify) notify(line);
}

void setProfileFailureListener(std::function<void(const std::string& line)> newListener) {
    const std::lock_guard<std::mutex> lock(mutex);
    listener = std::move(newListener);
}

}  // namespace kavtra
