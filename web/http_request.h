#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavtra::web {

// One HTTP/1.x request as it came, its header names in lower case.
struct HttpRequest {
    std::string method;
    std::string path;   // the target up to '?', still percent-encoded
    std::string query;  // after '?', without it
    int minorVersion = 1;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of that name (lower case), or nothing.
    std::optional<std::string_view> header(std::string_view name) const;
    // HTTP/1.1 keeps the connection unless told to close; 1.0 closes it.
    bool keepAlive() const;
};

// The bounds a request must stay within; beyond them it is refused before
// more of it is read.
struct HttpLimits {
    std::size_t requestLine = 8192;
    std::size_t headerBytes = 16384;  // all header lines together
    std::size_t headerCount = 64;
    std::size_t body = 65536;
};

// Reads requests from a byte stream in whatever pieces it arrives. Nothing
// is kept beyond the limits: a request over them is refused as soon as that
// is clear, and the connection is then of no further use.
class HttpParser {
public:
    enum class State { NeedMore, Complete, Failed };

    explicit HttpParser(HttpLimits limits = {}) : limits_(limits) {}

    // Takes the bytes; after Complete, take() gives the request and the
    // bytes left over start the next one.
    State append(std::string_view bytes);
    State state() const { return state_; }
    HttpRequest take();
    // Whether any byte of a request after the last one taken has come.
    bool started() const { return !buffer_.empty() || headerDone_; }

    // After Failed: the status to answer (400, 411, 413, 414, 431, 501,
    // 505) and why, in words for the client.
    int failureStatus() const { return failureStatus_; }
    const std::string& failureReason() const { return failureReason_; }

private:
    State fail(int status, std::string reason);
    State parseHead(std::string_view head);
    State advance();

    HttpLimits limits_;
    State state_ = State::NeedMore;
    std::string buffer_;
    bool headerDone_ = false;
    std::size_t bodyLength_ = 0;
    HttpRequest request_;
    int failureStatus_ = 0;
    std::string failureReason_;
};

// "%D0%90" and '+' as written in a URL's path or query, decoded; nothing
// for a broken escape.
std::optional<std::string> percentDecoded(std::string_view text, bool plusIsBlank);

// The value of `key` in a query "a=1&b=2", decoded; nothing when absent.
std::optional<std::string> queryValue(std::string_view query, std::string_view key);

}  // namespace kavtra::web
