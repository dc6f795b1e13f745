#include "control/protocol.h"

#include "commands/parse.h"

namespace kavtra {

namespace {

// The word of each outcome on the reply's last line. A scene or group that is
// not there is refused on the socket like any request, so scripts see the
// exit status they always saw.
constexpr std::pair<Reply::Outcome, std::string_view> kEndWords[] = {
    {Reply::Outcome::Done, "ok"},          {Reply::Outcome::Refused, "error"},
    {Reply::Outcome::NotSaved, "unsaved"}, {Reply::Outcome::Cancelled, "cancelled"},
    {Reply::Outcome::Unread, "unread"},    {Reply::Outcome::NotFound, "error"},
};

}  // namespace

std::string formatReply(const Reply& reply) {
    std::string text;
    for (const std::string& line : reply.lines) text += line + "\n";
    for (const auto& [outcome, word] : kEndWords)
        if (outcome == reply.outcome) text += word;
    if (reply.done()) return text + "\n";
    text += '\t';
    for (char c : reply.reason) text += c == '\n' || c == '\r' ? ' ' : c;
    return text + "\n";
}

std::optional<Reply> parseReplyEnd(std::string_view line) {
    if (line == "ok") return Reply{};
    for (const auto& [outcome, word] : kEndWords) {
        if (outcome == Reply::Outcome::Done || !line.starts_with(word) || line.substr(word.size(), 1) != "\t") continue;
        return Reply{{}, outcome, std::string(line.substr(word.size() + 1))};
    }
    return std::nullopt;
}

std::string waitLine(std::chrono::milliseconds wait) { return "wait\t" + std::to_string(wait.count()) + "\n"; }

std::optional<std::chrono::milliseconds> parseWaitLine(std::string_view line) {
    constexpr std::string_view kWord = "wait\t";
    if (!line.starts_with(kWord)) return std::nullopt;
    const std::optional<long long> ms = digitsValue(line.substr(kWord.size()));
    if (!ms) return std::nullopt;
    return std::chrono::milliseconds(*ms);
}

void LineReader::append(std::string_view bytes) {
    if (!overflowed_) buffer_.append(bytes);
}

std::optional<std::string> LineReader::next() {
    if (overflowed_) return std::nullopt;
    const std::size_t end = buffer_.find('\n', scanned_);
    if (end == std::string::npos) {
        scanned_ = buffer_.size();
        // Room for the "\r" of a "\r\n" line ending.
        if (buffer_.size() > maxBytes_ + 1) {
            overflowed_ = true;
            buffer_.clear();
        }
        return std::nullopt;
    }
    std::size_t length = end;
    if (length > 0 && buffer_[length - 1] == '\r') --length;
    if (length > maxBytes_) {
        overflowed_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    std::string line = buffer_.substr(0, length);
    buffer_.erase(0, end + 1);
    scanned_ = 0;
    return line;
}

}  // namespace kavtra
