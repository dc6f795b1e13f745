#include "persist/profile/own_profile.h"

#include <utility>

#include "persist/platform/file_io.h"

namespace kavtra {
namespace {

OwnProfile refused(std::string why) { return {std::make_shared<const ProfileReader>(std::string()), std::move(why)}; }

std::string tooLarge(std::uintmax_t largest) {
    return "в нём больше " + std::to_string(largest / (1024 * 1024)) + " МиБ";
}

}  // namespace

OwnProfile readOwnProfile(const std::string& path, std::uintmax_t largest) {
    if (const auto version = currentVersion(path); version && version->size > largest)
        return refused(tooLarge(largest));
    FileRead read = readWholeFile(path);
    if (!read.error.empty()) return refused(std::move(read.error));
    // It may have grown since it was looked at.
    return ownProfileOf(std::move(read.bytes), largest);
}

OwnProfile ownProfileOf(std::string bytes, std::uintmax_t largest) {
    if (bytes.size() > largest) return refused(tooLarge(largest));
    auto reader = std::make_shared<const ProfileReader>(std::move(bytes));
    if (const auto why = reader->unreadable()) return refused(std::string(*why));
    if (reader->bytes().find('\0') != std::string::npos) return refused("в нём нулевые байты: это не текст");
    return {std::move(reader), {}};
}

}  // namespace kavtra
