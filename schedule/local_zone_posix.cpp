#include <time.h>

#include "schedule/local_zone.h"

namespace kavtra {
namespace {

class PosixZone final : public LocalZone {
public:
    std::chrono::seconds offsetAt(std::chrono::sys_seconds at) const override {
        const time_t t = static_cast<time_t>(at.time_since_epoch().count());
        struct tm local {};
        // localtime_r need not look at TZ again; tzset makes a changed TZ
        // count, as the zone promises.
        tzset();
        if (!localtime_r(&t, &local)) return std::chrono::seconds{0};
        return std::chrono::seconds{local.tm_gmtoff};
    }
};

}  // namespace

const LocalZone& systemZone() {
    static const PosixZone zone;
    return zone;
}

}  // namespace kavtra
