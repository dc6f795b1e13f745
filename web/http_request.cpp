#include "web/http_request.h"

#include <algorithm>

namespace kavtra::web {
namespace {

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isTokenChar(char c) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isToken(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), isTokenChar); }

// A header value may hold visible characters, blanks and tabs, and bytes
// beyond ASCII; no other control character.
bool isFieldValue(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7F;
    });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool equalsLowered(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(), [](char a, char b) { return lowered(a) == b; });
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::string_view> HttpRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (key == name) return std::string_view(value);
    return std::nullopt;
}

bool HttpRequest::keepAlive() const {
    const std::optional<std::string_view> connection = header("connection");
    if (connection && equalsLowered(trimmed(*connection), "close")) return false;
    if (minorVersion == 0) return connection && equalsLowered(trimmed(*connection), "keep-alive");
    return true;
}

HttpParser::State HttpParser::fail(int status, std::string reason) {
    state_ = State::Failed;
    failureStatus_ = status;
    failureReason_ = std::move(reason);
    buffer_.clear();
    return state_;
}

HttpParser::State HttpParser::append(std::string_view bytes) {
    if (state_ == State::Failed) return state_;
    buffer_.append(bytes);
    if (state_ == State::Complete) return state_;
    return advance();
}

HttpParser::State HttpParser::advance() {
    if (!headerDone_) {
        // Blank lines before a request are allowed and skipped.
        buffer_.erase(0, std::min(buffer_.find_first_not_of("\r\n"), buffer_.size()));
        std::size_t end = buffer_.find("\r\n\r\n");
        std::size_t after = end == std::string::npos ? end : end + 4;
        if (const std::size_t bare = buffer_.find("\n\n"); bare != std::string::npos && bare < end) {
            end = bare;
            after = bare + 2;
        }
        const std::size_t firstLine = buffer_.find('\n');
        if ((firstLine == std::string::npos ? buffer_.size() : firstLine) > limits_.requestLine)
            return fail(414, "строка запроса слишком длинная");
        if (end == std::string::npos) {
            if (buffer_.size() > limits_.requestLine + limits_.headerBytes)
                return fail(431, "заголовки запроса слишком велики");
            return state_;
        }
        if (end > limits_.requestLine + limits_.headerBytes) return fail(431, "заголовки запроса слишком велики");
        if (parseHead(std::string_view(buffer_).substr(0, end)) == State::Failed) return state_;
        buffer_.erase(0, after);
        headerDone_ = true;
    }
    if (buffer_.size() < bodyLength_) return state_;
    request_.body = buffer_.substr(0, bodyLength_);
    buffer_.erase(0, bodyLength_);
    state_ = State::Complete;
    return state_;
}

HttpParser::State HttpParser::parseHead(std::string_view head) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at <= head.size();) {
        std::size_t end = head.find('\n', at);
        if (end == std::string_view::npos) end = head.size();
        std::string_view line = head.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        at = end + 1;
    }
    request_ = {};
    bodyLength_ = 0;

    const std::string_view first = lines.front();
    const std::size_t space1 = first.find(' ');
    const std::size_t space2 = space1 == std::string_view::npos ? space1 : first.find(' ', space1 + 1);
    if (space2 == std::string_view::npos || first.find(' ', space2 + 1) != std::string_view::npos)
        return fail(400, "неверная строка запроса");
    const std::string_view method = first.substr(0, space1);
    const std::string_view target = first.substr(space1 + 1, space2 - space1 - 1);
    const std::string_view version = first.substr(space2 + 1);
    if (!isToken(method)) return fail(400, "неверный метод");
    if (target.empty() || target.front() != '/' || std::any_of(target.begin(), target.end(), [](char c) {
            return static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F;
        }))
        return fail(400, "неверный адрес в запросе");
    if (version.size() != 8 || version.substr(0, 7) != "HTTP/1." || (version[7] != '0' && version[7] != '1'))
        return fail(505, "понимаю только HTTP/1.0 и HTTP/1.1");
    request_.method = std::string(method);
    const std::size_t question = target.find('?');
    request_.path = std::string(target.substr(0, question));
    if (question != std::string_view::npos) request_.query = std::string(target.substr(question + 1));
    request_.minorVersion = version[7] - '0';

    if (lines.size() - 1 > limits_.headerCount) return fail(431, "слишком много заголовков");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t colon = line.find(':');
        // No folded lines, no blank before the colon: both have served smuggling.
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon))) return fail(400, "неверный заголовок");
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (!isFieldValue(value)) return fail(400, "неверный заголовок");
        std::string name(line.substr(0, colon));
        std::transform(name.begin(), name.end(), name.begin(), lowered);
        request_.headers.emplace_back(std::move(name), std::string(value));
    }

    // A body in chunks is one this server does not take (411); a coding that
    // does not end in chunks leaves the body's end unknown (400).
    if (const auto coding = request_.header("transfer-encoding")) {
        const std::size_t comma = coding->rfind(',');
        const std::string_view last = trimmed(comma == std::string_view::npos ? *coding : coding->substr(comma + 1));
        if (!equalsLowered(last, "chunked")) return fail(400, "неизвестное Transfer-Encoding");
        return fail(411, "тело запроса должно идти с Content-Length, без Transfer-Encoding");
    }
    std::optional<std::string_view> length;
    for (const auto& [key, value] : request_.headers) {
        if (key != "content-length") continue;
        if (length && *length != value) return fail(400, "несколько разных Content-Length");
        length = value;
    }
    if (length) {
        if (length->empty() || length->size() > 12 ||
            !std::all_of(length->begin(), length->end(), [](char c) { return c >= '0' && c <= '9'; }))
            return fail(400, "неверный Content-Length");
        std::size_t value = 0;
        for (char c : *length) value = value * 10 + static_cast<std::size_t>(c - '0');
        if (value > limits_.body) return fail(413, "тело запроса слишком велико");
        bodyLength_ = value;
    }
    // A second Host may name another site than the first, which the check of
    // the first would let through.
    const auto hosts = std::count_if(request_.headers.begin(), request_.headers.end(),
                                     [](const auto& header) { return header.first == "host"; });
    if (hosts > 1) return fail(400, "несколько заголовков Host");
    if (request_.minorVersion == 1 && hosts == 0) return fail(400, "нет заголовка Host");
    return state_;
}

HttpRequest HttpParser::take() {
    HttpRequest request = std::move(request_);
    request_ = {};
    headerDone_ = false;
    bodyLength_ = 0;
    state_ = State::NeedMore;
    if (!buffer_.empty()) advance();
    return request;
}

std::optional<std::string> percentDecoded(std::string_view text, bool plusIsBlank) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += plusIsBlank && c == '+' ? ' ' : c;
        }
    }
    return decoded;
}

std::optional<std::string> queryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t equals = pair.find('=');
        const std::optional<std::string> name = percentDecoded(pair.substr(0, equals), true);
        if (name && *name == key)
            return equals == std::string_view::npos ? std::string() : percentDecoded(pair.substr(equals + 1), true);
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

}  // namespace kavtra::web
