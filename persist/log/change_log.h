#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kavtra {

// Kavtra.log in the files directory: every change that reached the port, one
// line each, UTF-8.
std::string changeLogPath(const std::string& filesDir);

inline constexpr std::uintmax_t kChangeLogCap = 1024 * 1024;

// The log's file, kept to about capBytes: before an append would take it past
// the cap it becomes path.1 (an older one goes), so the log never holds more
// than twice the cap and a reader finds the recent past in two files at most.
// Used on one thread.
class ChangeLog {
public:
    // Told the reason when an append fails for a reason not told since the
    // last success, and an empty text at the first success after that.
    using Listener = std::function<void(const std::string& reason)>;

    explicit ChangeLog(std::string path, std::uintmax_t capBytes = kChangeLogCap, Listener listener = {});

    // The line and a line feed, in one write. A failure is written to
    // standard error and told to the listener once per reason until an
    // append succeeds again; it never throws and never waits for the disk to
    // have the line: a switch must not wait for its record.
    void append(std::string_view line) noexcept;

    const std::string& path() const { return path_; }

private:
    std::string makeRoom(std::uintmax_t adding);
    void failed(const std::string& reason);
    void succeeded();

    std::string path_;
    std::uintmax_t cap_;
    Listener listener_;
    std::set<std::string, std::less<>> reported_;
    // Until the file has been written by us, its end may be a line that a
    // crash cut short; the next line must not be glued to it.
    bool endsWithWholeLine_ = false;
};

// The last n whole lines of the log, oldest first, from path.1 and then path.
// A last line without its line feed is one a crash cut short and is left out;
// missing files give nothing.
std::vector<std::string> lastLogLines(const std::string& path, std::size_t n);

}  // namespace kavtra
