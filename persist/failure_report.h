#pragma once

#include <string>
#include <string_view>

namespace kavtra {

// Profile failures are not the user's business, but someone diagnosing a
// setting that does not stick needs them: each is written to standard error,
// once per path and reason, so a timer retrying every 100 ms cannot flood it.
void reportProfileFailure(std::string_view path, std::string_view what, std::string_view reason);

}  // namespace kavtra
