#pragma once

#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "automation/sequences.h"
#include "commands/command_core.h"
#include "commands/output_choice.h"
#include "engine/input_watch.h"
#include "engine/output_engine.h"
#include "persist/log/change_log.h"
#include "rules/rule_book.h"
#include "web/http_request.h"

namespace kavtra::web {

struct HttpResponse {
    int status = 200;
    std::string body;  // JSON, or the page
    std::vector<std::pair<std::string, std::string>> headers{};
};

// Who is asking, once the server has checked the request's token.
struct Caller {
    AccessToken::Role role = AccessToken::Role::Switch;
    Source source;  // web:NAME, or web without tokens
    // What the token may read and switch (every output without tokens), and
    // why its scope reaches nothing when Rules.ini has it at fault.
    OutputReach reach{};
    std::string scopeProblem{};
};

// The HTTP API over the command core: reads answer from its views, every
// change is a request of the core with the caller's source, so it takes the
// path of every other change (interlocks, one save, one transfer, the log).
// A caller with a scope reads only what it reaches, and a switch that would
// touch one output beyond it is refused whole, and logged.
class WebApi {
public:
    // `tiles`: the outputs the page shows; the API marks the others "hidden".
    WebApi(CommandCore& core, RuleBook& rules, const Sequences& sequences, ChangeLog& log, OutputChoice tiles);

    using Respond = std::function<void(const HttpResponse&)>;
    // Every route but the events' stream. A switch is answered once what it
    // asked is latched, which may be after an interlock's dead time; the
    // rest at once.
    void answer(const HttpRequest& request, const Caller& caller, const Respond& respond);

    // 405 with the method allowed.
    static HttpResponse onlyMethod(const char* allowed);

    static bool isEventStream(const HttpRequest& request) {
        return request.method == "GET" && request.path == "/api/events";
    }

private:
    // The answer, or the switch the request asks for.
    std::variant<HttpResponse, Command> route(const HttpRequest& request, const Caller& caller) const;
    // A list of these outputs, each `item`'s object: what every listing per
    // output answers.
    using Item = std::function<std::string(int output)>;
    HttpResponse listing(const std::vector<int>& numbers, const Item& item) const;
    // `base` lists every output within `reach`, `base`/N one (404 for no
    // such output, 403 for one beyond reach); nothing for another path.
    std::optional<HttpResponse> perOutput(const HttpRequest& request, std::string_view base, const OutputReach& reach,
                                          const Item& item) const;
    HttpResponse log(const HttpRequest& request, const Caller& caller) const;
    HttpResponse rules(const OutputReach& reach) const;
    // The 403 of a switch beyond the caller's reach, said in the log too.
    HttpResponse refuseBeyondReach(const Caller& caller, const std::vector<int>& outside);

    CommandCore& core_;
    RuleBook& rules_;
    const Sequences& sequences_;
    ChangeLog& log_;
    OutputChoice tiles_;
};

// One output as the API shows it: {"number":5,"name":"…","state":"on"},
// "left" (whole seconds) while its limit runs, and "hidden":true when the
// page has no tile for it. Scripts still read and switch every output.
std::string outputJson(const OutputView& view, const OutputChoice& tiles);

// One server-sent event of a step: every output it set or renamed within
// `reach`, in one event however many there are: "event: change\ndata:
// {...}\n\n"; empty when it changed none of them.
std::string changeEvent(const OutputChange& change, const CommandCore& core, const OutputChoice& tiles,
                        const OutputReach& reach = {});

// A sequence as the API shows it: {"name":"Полив","state":"running","step":2,
// "steps":3,"round":1,"rounds":1} ("rounds":null for ever), and "left" (whole
// seconds of its step) unless stopped.
std::string sequenceJson(const SequenceStatus& status);
// One server-sent event of a sequence's change: "event: sequence\ndata: {...}\n\n".
std::string sequenceEvent(const SequenceStatus& status);
// One server-sent event of an input's edge, in the form of a step's:
// "event: inputs\ndata: {"inputs":[{"number":2,"name":"…","state":"on"}]}\n\n".
std::string inputEvent(const InputEdge& edge, const Rules& rules);

// The reason phrase of the statuses the server answers with.
const char* statusText(int status);

}  // namespace kavtra::web
