#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kavtra {

// What the running copy answers to one request, whichever transport carried
// it.
struct Reply {
    enum class Outcome {
        Done,
        Refused,    // nothing changed; `reason` says why
        NotSaved,   // changed and sent to the outputs, but Data.dat kept the old states
        Cancelled,  // it waited for an interlock's dead time, and a later request took its place
        Unread,     // Rules.ini could not be read: the rules in force stay as they were; `reason` says why
        NotFound,   // refused: it names a scene or a group Rules.ini lacks; `reason` says which
    };
    std::vector<std::string> lines;  // of data, each made by outputLine
    Outcome outcome = Outcome::Done;
    std::string reason;

    static Reply refused(std::string why) { return {{}, Outcome::Refused, std::move(why)}; }
    static Reply notSaved(std::string why) { return {{}, Outcome::NotSaved, std::move(why)}; }
    static Reply cancelled(std::string why) { return {{}, Outcome::Cancelled, std::move(why)}; }
    static Reply unread(std::string why) { return {{}, Outcome::Unread, std::move(why)}; }
    static Reply notFound(std::string why) { return {{}, Outcome::NotFound, std::move(why)}; }
    bool done() const { return outcome == Outcome::Done; }
};

}  // namespace kavtra
