#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/command.h"

namespace kavtra {

// The command socket speaks lines of UTF-8 text ending in '\n'. A request is
// one line: a word and the command line's own value forms,
//   show | set N=on|off ... | toggle N | all on|off | rename N=TEXT |
//   pulse N=MS | get [N ...]
// The reply is zero or more lines "N<TAB>on|off<TAB>name" (for get), then
// one last line, "ok" or "error<TAB>reason".
constexpr std::size_t kMaxRequestBytes = 4096;  // without the '\n'

std::string formatRequest(const Command& command);
Parsed<Command> parseRequest(std::string_view line);

// What the running copy answers to one request.
struct Reply {
    std::vector<std::string> lines;  // of data, each made by outputLine
    bool ok = true;
    std::string reason;  // why it was refused, when not ok

    static Reply refused(std::string why) { return {{}, false, std::move(why)}; }
};
std::string outputLine(int output, bool on, std::string_view name);
// The whole reply, each line ending in '\n'.
std::string formatReply(const Reply& reply);

// The last line of a reply, as the client reads it; nullopt for a line of data.
struct ReplyEnd {
    bool ok = false;
    std::string reason;
};
std::optional<ReplyEnd> parseReplyEnd(std::string_view line);

// Splits a byte stream into lines of at most `maxBytes`. A longer line spends
// the reader: it gives no line after that, since nothing in the rest of the
// stream can be trusted to start a request.
class LineReader {
public:
    explicit LineReader(std::size_t maxBytes) : maxBytes_(maxBytes) {}

    void append(std::string_view bytes);
    // The next whole line, without its '\n' (or "\r\n").
    std::optional<std::string> next();
    bool overflowed() const { return overflowed_; }

private:
    std::size_t maxBytes_;
    std::string buffer_;
    std::size_t scanned_ = 0;
    bool overflowed_ = false;
};

}  // namespace kavtra
