#include <time.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

#include "schedule/local_zone.h"

namespace kavtra {
namespace {

class PosixZone final : public LocalZone {
public:
    std::chrono::seconds offsetAt(std::chrono::sys_seconds at) const override {
        const time_t t = static_cast<time_t>(at.time_since_epoch().count());
        struct tm local {};
        refresh();
        if (!localtime_r(&t, &local)) return std::chrono::seconds{0};
        return std::chrono::seconds{local.tm_gmtoff};
    }

private:
    // localtime_r need not look at TZ again; tzset makes a changed TZ count,
    // as the zone promises. tzset also looks at the zone file each time (a
    // stat; a counted switch asks for several offsets), so while TZ stays as
    // it was that is left to once a second: a zone changed in the system's
    // settings counts within a second.
    void refresh() const {
        const char* variable = std::getenv("TZ");
        const std::optional<std::string> tz = variable ? std::optional<std::string>(variable) : std::nullopt;
        const auto now = std::chrono::steady_clock::now();
        const std::lock_guard lock(mutex_);
        if (tz == lastTz_ && now - lastRefresh_ < std::chrono::seconds(1)) return;
        tzset();
        lastTz_ = tz;
        lastRefresh_ = now;
    }

    mutable std::mutex mutex_;
    mutable std::optional<std::string> lastTz_;  // none: TZ not set
    mutable std::chrono::steady_clock::time_point lastRefresh_{};
};

}  // namespace

const LocalZone& systemZone() {
    static const PosixZone zone;
    return zone;
}

}  // namespace kavtra
