#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavtra::web {

// A JSON object whose values are all strings, its members in their order:
// all the API's requests take. Anything else, a repeated key, or text that is
// not well-formed UTF-8 is refused with why, in Russian.
struct JsonMembers {
    std::vector<std::pair<std::string, std::string>> members;
    std::string error;  // empty when read
};
JsonMembers readStringObject(std::string_view text);

// A JSON string literal with its quotes: control characters escaped, the
// rest of the UTF-8 as it is.
std::string jsonString(std::string_view text);

// {"error": "..."}
std::string errorJson(std::string_view why);

}  // namespace kavtra::web
