#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kavtra {

// What failed to happen to a profile file.
inline constexpr std::string_view kNotRead = "not read";
inline constexpr std::string_view kNotSaved = "not saved";

// Profile failures are not the user's business, but someone diagnosing a
// setting that does not stick needs them: each is written to standard error,
// once per path and reason, so a timer retrying every 100 ms cannot flood it.
void reportProfileFailure(std::string_view path, std::string_view what, std::string_view reason);

// A save that put everything asked of it into the file (or found it there
// already). Writes nothing; only listeners hear of it, so that a failure they
// show can be taken back.
void reportProfileSaved(std::string_view path);

// What listeners hear: every failure (not only the first of its kind, as on
// standard error) and every complete save.
struct ProfileReport {
    std::string path;
    std::string what;  // kNotRead or kNotSaved; empty for a complete save
    std::string reason;

    bool failed() const { return !what.empty(); }
};

// Listeners are called on the thread that read or saved, one at a time; a
// listener may neither read nor save a profile file itself. After
// removeProfileListener returns, that listener is not called any more.
using ProfileListener = std::function<void(const ProfileReport&)>;
using ProfileListenerId = std::size_t;
ProfileListenerId addProfileListener(ProfileListener listener);
void removeProfileListener(ProfileListenerId id);

}  // namespace kavtra
