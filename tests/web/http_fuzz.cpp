// libFuzzer target: arbitrary bytes on a web connection, in pieces of a size
// taken from the first byte, read as the server reads them; each request's
// body also read as the API reads JSON.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "web/http_request.h"
#include "web/json.h"

namespace {

using namespace kavtra::web;

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

constexpr HttpLimits kLimits{256, 512, 8, 300};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t chunk = size == 0 ? 1 : 1 + data[0] % 64;
    HttpParser parser(kLimits);
    for (std::size_t at = 0; at < size && parser.state() != HttpParser::State::Failed; at += chunk) {
        parser.append(bytes.substr(at, chunk));
        while (parser.state() == HttpParser::State::Complete) {
            const HttpRequest request = parser.take();
            check(request.body.size() <= kLimits.body, "no body beyond the limit");
            check(request.headers.size() <= kLimits.headerCount, "no more headers than the limit");
            check(!request.path.empty() && request.path.front() == '/', "a target starts with /");
            const JsonMembers json = readStringObject(request.body);
            check(json.error.empty() || json.members.empty(), "JSON is read whole or refused");
        }
    }
    if (parser.state() == HttpParser::State::Failed) {
        const int status = parser.failureStatus();
        check(status >= 400 && status < 600 && !parser.failureReason().empty(), "a refusal has a status and a reason");
    }
    return 0;
}
