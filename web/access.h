#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/rules.h"

namespace kavtra::web {

// A new token's secret: 32 bytes of the system's CSPRNG, as 64 hex digits.
// Throws std::runtime_error when the system gives none.
std::string newTokenSecret();
// What Rules.ini keeps of a secret: its SHA-256 in hex.
std::string tokenHash(std::string_view secret);

// The token whose hash is that of `secret`, or null. Every stored hash is
// compared in full, in time that does not depend on where they differ.
const AccessToken* matchToken(const std::vector<AccessToken>& tokens, std::string_view secret);

// The secret of "Authorization: Bearer SECRET", or nothing.
std::optional<std::string_view> bearerSecret(std::optional<std::string_view> authorization);

// Where the server listens, as [Web] Listen gives it: "127.0.0.1:8080",
// "[::1]:8080", "0.0.0.0:8080".
struct ListenAddress {
    std::string host;  // without brackets
    int port = 0;
    bool loopback() const;
    bool anyAddress() const;  // 0.0.0.0 or ::
    bool operator==(const ListenAddress&) const = default;
};
// "HOST:PORT" with an IP address or localhost as HOST, or a port alone for
// 127.0.0.1.
std::optional<ListenAddress> parseListen(std::string_view text);

// Whether a request's Host header (and its Origin header, when it has one)
// name the site the server is: the address it listens on, at its port, or a
// loopback name when it listens on loopback. A page of another site that a
// browser was made to send here (DNS rebinding) names that site instead.
// Listening on every address, any address literal serves as the host.
bool hostAllowed(std::string_view host, const ListenAddress& listen, bool tls);
bool originAllowed(std::string_view origin, const ListenAddress& listen, bool tls);

// Wrong tokens, counted per client address: from the fifth within a
// minute, that address's wrong tokens are answered 429 until a minute after
// its last failure. A valid token is never asked about here.
class FailureLimiter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kAllowed = 5;
    static constexpr std::chrono::seconds kWindow{60};

    bool blocked(const std::string& address, Clock::time_point now);
    void failed(const std::string& address, Clock::time_point now);

private:
    struct Count {
        int failures = 0;
        Clock::time_point last;
    };
    void forgetOld(Clock::time_point now);
    std::map<std::string, Count> counts_;
};

}  // namespace kavtra::web
