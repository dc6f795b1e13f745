#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavtra {

// What the running copy answers to one request, whichever transport carried
// it.
struct Reply {
    enum class Outcome {
        Done,
        Refused,   // nothing changed; `reason` says why
        NotSaved,  // changed and sent to the outputs, but Data.dat kept the old states
    };
    std::vector<std::string> lines;  // of data, each made by outputLine
    Outcome outcome = Outcome::Done;
    std::string reason;

    static Reply refused(std::string why) { return {{}, Outcome::Refused, std::move(why)}; }
    static Reply notSaved(std::string why) { return {{}, Outcome::NotSaved, std::move(why)}; }
    bool done() const { return outcome == Outcome::Done; }
};

// One output as `get` shows it: "N<TAB>on|off<TAB>name".
std::string outputLine(int output, bool on, std::string_view name);

}  // namespace kavtra
