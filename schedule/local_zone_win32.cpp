#include <windows.h>

#include "schedule/local_zone.h"

namespace kavtra {
namespace {

// FILETIME counts 100-nanosecond ticks from 1601-01-01 UTC.
constexpr long long kTicksPerSecond = 10'000'000;
constexpr long long kSecondsFrom1601To1970 = 11'644'473'600;

class WindowsZone final : public LocalZone {
public:
    std::chrono::seconds offsetAt(std::chrono::sys_seconds at) const override {
        const long long ticks = (at.time_since_epoch().count() + kSecondsFrom1601To1970) * kTicksPerSecond;
        FILETIME utcFile{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME utc{};
        SYSTEMTIME local{};
        FILETIME localFile{};
        // The zone's rules of the year in question, read at each call so
        // that a change of the system's setting counts.
        if (!FileTimeToSystemTime(&utcFile, &utc)) return std::chrono::seconds{0};
        TIME_ZONE_INFORMATION zone{};
        const bool ofYear = GetTimeZoneInformationForYear(utc.wYear, nullptr, &zone);
        if (!SystemTimeToTzSpecificLocalTime(ofYear ? &zone : nullptr, &utc, &local) ||
            !SystemTimeToFileTime(&local, &localFile))
            return std::chrono::seconds{0};
        const long long localTicks = static_cast<long long>(
            (static_cast<unsigned long long>(localFile.dwHighDateTime) << 32) | localFile.dwLowDateTime);
        return std::chrono::seconds{(localTicks - ticks) / kTicksPerSecond};
    }
};

}  // namespace

const LocalZone& systemZone() {
    static const WindowsZone zone;
    return zone;
}

}  // namespace kavtra
