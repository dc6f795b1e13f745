#include "persist/profile/profile_cache.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "persist/platform/file_io.h"

namespace kavtra {
namespace {

struct CachedProfile {
    std::string path;
    FileVersion version;
    std::shared_ptr<const ProfileReader> reader;
};

// The program reads three files; a few more entries cost little.
constexpr std::size_t kCachedFiles = 8;
thread_local std::vector<CachedProfile> cache;

void remember(const std::string& path, const FileVersion& version, std::shared_ptr<const ProfileReader> reader) {
    if (cache.size() == kCachedFiles) cache.erase(cache.begin());
    cache.push_back({path, version, std::move(reader)});
}

}  // namespace

CurrentProfile currentProfile(const std::string& path) {
    const auto cached =
        std::find_if(cache.begin(), cache.end(), [&](const CachedProfile& c) { return c.path == path; });
    if (cached != cache.end()) {
        if (currentVersion(path) == cached->version) return {cached->reader, {}};
        cache.erase(cached);
    }
    FileRead read = readWholeFile(path);
    auto reader = std::make_shared<const ProfileReader>(std::move(read.bytes));
    if (read.exists && read.settled) remember(path, read.version, reader);
    return {std::move(reader), std::move(read.error)};
}

}  // namespace kavtra
