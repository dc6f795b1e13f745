#include "persist/profile/profile_cache.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "persist/platform/file_io.h"
#include "persist/profile/profile.h"

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

// The snapshots of the read groups open on this thread.
thread_local int readGroups = 0;
thread_local std::vector<std::pair<std::string, CurrentProfile>> snapshots;

thread_local std::uint64_t wholeReads = 0;

void remember(const std::string& path, const FileVersion& version, std::shared_ptr<const ProfileReader> reader) {
    if (cache.size() == kCachedFiles) cache.erase(cache.begin());
    cache.push_back({path, version, std::move(reader)});
}

CurrentProfile readCurrentProfile(const std::string& path) {
    const auto cached =
        std::find_if(cache.begin(), cache.end(), [&](const CachedProfile& c) { return c.path == path; });
    if (cached != cache.end()) {
        if (currentVersion(path) == cached->version) return {cached->reader, {}};
        cache.erase(cached);
    }
    ++wholeReads;
    FileRead read = readWholeFile(path);
    auto reader = std::make_shared<const ProfileReader>(std::move(read.bytes));
    if (read.exists && read.settled) remember(path, read.version, reader);
    return {std::move(reader), std::move(read.error)};
}

}  // namespace

CurrentProfile currentProfile(const std::string& path) {
    if (readGroups == 0) return readCurrentProfile(path);
    const auto snapshot =
        std::find_if(snapshots.begin(), snapshots.end(), [&](const auto& s) { return s.first == path; });
    if (snapshot != snapshots.end()) return snapshot->second;
    snapshots.emplace_back(path, readCurrentProfile(path));
    return snapshots.back().second;
}

std::uint64_t wholeReadsSoFar() { return wholeReads; }

void forgetSnapshot(const std::string& path) {
    std::erase_if(snapshots, [&](const auto& s) { return s.first == path; });
}

ProfileReadGroup::ProfileReadGroup() { ++readGroups; }

ProfileReadGroup::~ProfileReadGroup() {
    if (--readGroups == 0) snapshots.clear();
}

}  // namespace kavtra
