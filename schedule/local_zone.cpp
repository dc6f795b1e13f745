#include "schedule/local_zone.h"

#include <algorithm>

namespace kavtra {

using std::chrono::days;
using std::chrono::local_seconds;
using std::chrono::seconds;
using std::chrono::sys_seconds;

local_seconds localTimeOf(const LocalZone& zone, sys_seconds at) {
    return local_seconds{(at + zone.offsetAt(at)).time_since_epoch()};
}

std::vector<sys_seconds> momentsOf(const LocalZone& zone, local_seconds local) {
    // Offsets stay within a day of UTC, and clocks change far less often than
    // once a day: the offsets a day either side, and the one at the local time
    // read as UTC, are every offset the local time can have. A moment counts
    // when the zone agrees it has the offset that led to it.
    const sys_seconds asUtc{local.time_since_epoch()};
    std::vector<sys_seconds> moments;
    for (const sys_seconds probe : {asUtc - days{1}, asUtc, asUtc + days{1}}) {
        const seconds offset = zone.offsetAt(probe);
        const sys_seconds moment = asUtc - offset;
        if (zone.offsetAt(moment) == offset && std::find(moments.begin(), moments.end(), moment) == moments.end())
            moments.push_back(moment);
    }
    std::sort(moments.begin(), moments.end());
    return moments;
}

}  // namespace kavtra
