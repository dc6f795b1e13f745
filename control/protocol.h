#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "commands/reply.h"

namespace kavtra {

// The command socket speaks lines of UTF-8 text ending in '\n'. A request is
// one line (commands/request_text.h). The reply is zero or more lines of
// data, then one last line: "ok", "error<TAB>reason" (refused, nothing
// changed), "unsaved<TAB>reason" (changed and sent, but not saved),
// "cancelled<TAB>reason" (a dead time's wait ended by a later request) or
// "unread<TAB>reason" (Rules.ini not read, the rules in force kept). A
// request that waits for an interlock's dead time is answered after the step
// that latches it; "wait<TAB>MS" comes first, so that the client waits that
// much longer for its answer.

// The whole reply, each line ending in '\n'.
std::string formatReply(const Reply& reply);
// The last line of a reply, as the client reads it (its outcome and reason);
// nullopt for a line of data.
std::optional<Reply> parseReplyEnd(std::string_view line);
std::string waitLine(std::chrono::milliseconds wait);
// The wait a "wait" line announces; nullopt for any other line.
std::optional<std::chrono::milliseconds> parseWaitLine(std::string_view line);

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
