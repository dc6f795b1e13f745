#include "persist/profile/failure_report.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace kavtra {
namespace {

struct Listeners {
    std::mutex mutex;
    std::vector<std::pair<ProfileListenerId, ProfileListener>> all;
    ProfileListenerId next = 0;
};

Listeners& listeners() {
    static Listeners instance;
    return instance;
}

void tell(const ProfileReport& report) {
    Listeners& l = listeners();
    const std::lock_guard<std::mutex> lock(l.mutex);
    for (const auto& [id, listener] : l.all) listener(report);
}

}  // namespace

void reportProfileFailure(std::string_view path, std::string_view what, std::string_view reason) {
    static std::mutex mutex;
    static std::set<std::string, std::less<>> reported;
    std::string line = "kavtra: ";
    line.append(path).append(" ").append(what).append(": ").append(reason).append("\n");
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (reported.insert(line).second) {
            std::fputs(line.c_str(), stderr);
            // Standard error is buffered on some platforms when it is not a console.
            std::fflush(stderr);
        }
    }
    tell(ProfileReport{std::string(path), std::string(what), std::string(reason)});
}

void reportProfileSaved(std::string_view path) { tell(ProfileReport{std::string(path), {}, {}}); }

ProfileListenerId addProfileListener(ProfileListener listener) {
    Listeners& l = listeners();
    const std::lock_guard<std::mutex> lock(l.mutex);
    l.all.emplace_back(l.next, std::move(listener));
    return l.next++;
}

void removeProfileListener(ProfileListenerId id) {
    Listeners& l = listeners();
    const std::lock_guard<std::mutex> lock(l.mutex);
    std::erase_if(l.all, [id](const auto& entry) { return entry.first == id; });
}

}  // namespace kavtra
