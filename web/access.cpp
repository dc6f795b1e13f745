#include "web/access.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "persist/ini/ini_lines.h"
#include "web/sha256.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <bcrypt.h>
#else
#include <sys/random.h>
#endif

namespace kavtra::web {
namespace {

struct HostPort {
    std::string host;  // lower case, without brackets
    std::optional<int> port;
};

std::optional<HostPort> splitHostPort(std::string_view text) {
    HostPort result;
    std::string_view rest;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        result.host = ini::asciiLower(text.substr(1, close - 1));
        rest = text.substr(close + 1);
    } else {
        const std::size_t colon = text.find(':');
        result.host = ini::asciiLower(text.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
    }
    if (result.host.empty()) return std::nullopt;
    if (!rest.empty()) {
        if (rest.front() != ':' || rest.size() < 2 || rest.size() > 6) return std::nullopt;
        int port = 0;
        for (char c : rest.substr(1)) {
            if (c < '0' || c > '9') return std::nullopt;
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) return std::nullopt;
        result.port = port;
    }
    return result;
}

bool isIpv4Literal(std::string_view host) {
    int parts = 0;
    std::size_t digits = 0;
    for (char c : host) {
        if (c == '.') {
            if (digits == 0) return false;
            ++parts;
            digits = 0;
        } else if (c >= '0' && c <= '9' && ++digits <= 3) {
            continue;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;
}

bool isIpv6Literal(std::string_view host) {
    return host.find(':') != std::string_view::npos && std::all_of(host.begin(), host.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == ':' || c == '.';
           });
}

bool isLoopbackName(std::string_view host) {
    return host == "localhost" || host == "::1" || (host.rfind("127.", 0) == 0 && isIpv4Literal(host));
}

bool siteAllowed(const HostPort& asked, const Site& site) {
    const ListenAddress& listen = site.listen;
    if (asked.port.value_or(site.tls ? 443 : 80) != listen.port) return false;
    if (asked.host == listen.host) return true;
    if (std::find(site.names.begin(), site.names.end(), asked.host) != site.names.end()) return true;
    if (listen.loopback()) return isLoopbackName(asked.host);
    if (listen.anyAddress())
        return isLoopbackName(asked.host) || isIpv4Literal(asked.host) || isIpv6Literal(asked.host);
    return false;
}

}  // namespace

std::string newTokenSecret() {
    std::array<std::uint8_t, 32> bytes{};
#ifdef _WIN32
    if (BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
        throw std::runtime_error("система не дала случайных чисел");
#else
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got <= 0) throw std::runtime_error("система не дала случайных чисел");
        filled += static_cast<std::size_t>(got);
    }
#endif
    return hexText(bytes.data(), bytes.size());
}

std::string tokenHash(std::string_view secret) {
    const std::array<std::uint8_t, 32> digest = sha256(secret);
    return hexText(digest.data(), digest.size());
}

const AccessToken* matchToken(const std::vector<AccessToken>& tokens, std::string_view secret) {
    const std::string hash = tokenHash(secret);
    const AccessToken* found = nullptr;
    for (const AccessToken& token : tokens) {
        // Stored hashes are 64 digits (the rules' reading checks them), as is ours.
        if (token.hash.size() != hash.size()) continue;
        unsigned char difference = 0;
        for (std::size_t i = 0; i < hash.size(); ++i)
            difference = static_cast<unsigned char>(difference | (token.hash[i] ^ hash[i]));
        if (difference == 0 && !found) found = &token;
    }
    return found;
}

std::optional<std::string_view> bearerSecret(std::optional<std::string_view> authorization) {
    if (!authorization || authorization->size() < 7) return std::nullopt;
    if (ini::asciiLower(authorization->substr(0, 7)) != "bearer ") return std::nullopt;
    std::string_view secret = authorization->substr(7);
    while (!secret.empty() && secret.front() == ' ') secret.remove_prefix(1);
    if (secret.empty()) return std::nullopt;
    return secret;
}

bool ListenAddress::loopback() const { return isLoopbackName(host); }
bool ListenAddress::anyAddress() const { return host == "0.0.0.0" || host == "::" || name(); }
bool ListenAddress::name() const { return !isIpv4Literal(host) && !isIpv6Literal(host); }

bool isHostName(std::string_view text) {
    if (text.empty() || text.size() > 253) return false;
    std::size_t label = 0;
    for (char c : text) {
        if (c == '.') {
            if (label == 0) return false;
            label = 0;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-') {
            if (++label > 63) return false;
        } else {
            return false;
        }
    }
    return label > 0;
}

std::optional<ListenAddress> parseListen(std::string_view text) {
    text = ini::trimBlanks(text);
    // A port alone serves this computer only.
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos)
        return parseListen("127.0.0.1:" + std::string(text));
    const std::optional<HostPort> split = splitHostPort(text);
    if (!split || !split->port) return std::nullopt;
    if (!isIpv4Literal(split->host) && !isIpv6Literal(split->host) && !isHostName(split->host)) return std::nullopt;
    return ListenAddress{split->host == "localhost" ? "127.0.0.1" : split->host, *split->port};
}

bool hostAllowed(std::string_view host, const Site& site) {
    const std::optional<HostPort> asked = splitHostPort(host);
    return asked && siteAllowed(*asked, site);
}

bool originAllowed(std::string_view origin, const Site& site) {
    const std::string_view scheme = site.tls ? "https://" : "http://";
    if (origin.size() <= scheme.size() || ini::asciiLower(origin.substr(0, scheme.size())) != scheme) return false;
    const std::string_view asked = origin.substr(scheme.size());
    if (asked.find('/') != std::string_view::npos) return false;
    return hostAllowed(asked, site);
}

void FailureLimiter::forgetOld(Clock::time_point now) {
    std::erase_if(counts_, [now](const auto& entry) { return now - entry.second.last >= kWindow; });
}

bool FailureLimiter::blocked(const std::string& address, Clock::time_point now) {
    forgetOld(now);
    const auto count = counts_.find(address);
    return count != counts_.end() && count->second.failures >= kAllowed;
}

void FailureLimiter::failed(const std::string& address, Clock::time_point now) {
    forgetOld(now);
    Count& count = counts_[address];
    ++count.failures;
    count.last = now;
}

}  // namespace kavtra::web
