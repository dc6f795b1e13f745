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
// "[::1]:8080", "0.0.0.0:8080", or a name of this computer, "pc.local:8080",
// which stands for all its addresses: a name is not resolved, so the server
// does not hang on a name service, nor end up on the loopback address a
// name may resolve to here.
struct ListenAddress {
    std::string host;  // without brackets; lower case
    int port = 0;
    bool loopback() const;
    bool anyAddress() const;  // 0.0.0.0, ::, or a name
    bool name() const;
    bool operator==(const ListenAddress&) const = default;
};
// "HOST:PORT" with an IP address, localhost or a host name as HOST, or a
// port alone for 127.0.0.1.
std::optional<ListenAddress> parseListen(std::string_view text);
// Whether `text` can be a host name: letters, digits, '-' and '.', labels of
// 1 to 63 characters.
bool isHostName(std::string_view text);

// The site the server is: where it listens, whether over TLS, and the names
// this computer goes by (its host name, NAME.local, [Web] Names=), lower case.
struct Site {
    ListenAddress listen;
    bool tls = false;
    std::vector<std::string> names;
};
// Whether a request's Host header (and its Origin header, when it has one)
// name that site, at its port: the address it listens on, one of its names,
// or a loopback name when it listens on loopback. A page of another site
// that a browser was made to send here (DNS rebinding) names that site
// instead. Listening on every address, any address literal serves as the
// host.
bool hostAllowed(std::string_view host, const Site& site);
bool originAllowed(std::string_view origin, const Site& site);

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
