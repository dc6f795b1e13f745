#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kavtra {

// Profile failures are not the user's business, but someone diagnosing a
// setting that does not stick needs them: each is written to standard error,
// once per path and reason, so a timer retrying every 100 ms cannot flood it.
void reportProfileFailure(std::string_view path, std::string_view what, std::string_view reason);

// A window program has no standard error its user could read (on Windows it
// has none at all), so the window may take the same reports: the listener is
// called with each line the first time it is reported, on the thread that
// failed. An empty function removes it.
void setProfileFailureListener(std::function<void(const std::string& line)> listener);

}  // namespace kavtra
