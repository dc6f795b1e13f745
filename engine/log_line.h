#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kavtra {

// Outputs first to last.
struct Run {
    int first = 0;
    int last = 0;
    bool operator==(const Run&) const = default;
};

// The outputs one step switched, each list in ascending runs that neither
// overlap nor touch: an all on is one run, not 300 numbers.
struct Switches {
    std::vector<Run> on, off;
    bool operator==(const Switches&) const = default;
};

struct Rename {
    int output = 0;
    std::string name;
    bool operator==(const Rename&) const = default;
};

// A schedule's event whose time passed while the program could not act on it.
struct Missed {
    std::string at;  // local, as the schedule's listing shows it: "2026-12-07 18:00:00"
    bool operator==(const Missed&) const = default;
};

// Anything else, said in words: a refused token, a Rules.ini left unread.
struct Remark {
    std::string text;
    bool operator==(const Remark&) const = default;
};

// One line of Kavtra.log: "TIME<TAB>SOURCE<TAB>WHAT". WHAT is, by kind:
//   switches  "1-3,8=on 7=off", as `kavtra --set` takes them; lines written
//             before ranges list one output an entry ("7=off 8=on") and read
//             the same
//   rename    "5 name=Насос"
//   missed    "missed 2026-12-07 18:00:00"
//   remark    any other text
struct LogLine {
    std::string time;    // local, to the millisecond: "2026-12-07 18:45:13.123"
    std::string source;  // sourceText's spelling; a later version may bring new ones
    std::variant<Switches, Rename, Missed, Remark> what;
    bool operator==(const LogLine&) const = default;

    // The source in Russian, or its spelling when it names no source known.
    std::string label() const;
    // What the line says in Russian: "вкл. 1-3,8; выкл. 7", "5: название «Насос»".
    std::string whatText() const;
    bool mentions(int output) const;
};

std::string logText(const LogLine& line);

// Every text reads: one without the two tabs is a remark with no time and no
// source, and what is not one of the other kinds is a remark as written.
LogLine readLogLine(std::string_view text);

// The last n lines of the log and its predecessor, oldest first, read.
std::vector<LogLine> lastLogEntries(const std::string& path, std::size_t n);

// The runs of these outputs, in any order and repeated or not.
std::vector<Run> runsOf(const std::vector<int>& outputs);

// Runs as the log and its Russian texts list them: "1-3,8".
std::string runsText(const std::vector<Run>& runs);

}  // namespace kavtra
