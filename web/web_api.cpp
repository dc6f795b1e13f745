#include "web/web_api.h"

#include <optional>
#include <set>
#include <utility>

#include "commands/parse.h"
#include "engine/change_record.h"
#include "engine/log_line.h"
#include "rules/reach.h"
#include "web/json.h"

namespace kavtra::web {
namespace {

constexpr std::size_t kMostLogLines = 1000;

HttpResponse error(int status, std::string_view why) { return {status, errorJson(why)}; }

// The rest of a path after `prefix`, decoded, or nothing.
std::optional<std::string> after(std::string_view path, std::string_view prefix) {
    if (path.size() <= prefix.size() || path.substr(0, prefix.size()) != prefix) return std::nullopt;
    return percentDecoded(path.substr(prefix.size()), false);
}

// A switch's reply as the API answers it.
HttpResponse switchResponse(const Reply& reply) {
    if (reply.outcome == Reply::Outcome::Done) return {200, "{\"ok\":true}"};
    if (reply.outcome == Reply::Outcome::NotSaved)
        return {200, "{\"ok\":true,\"saved\":false,\"reason\":" + jsonString(reply.reason) + "}"};
    // It waited for a dead time, and a later request took its place.
    if (reply.outcome == Reply::Outcome::Cancelled) return error(409, reply.reason);
    if (reply.outcome == Reply::Outcome::NotFound) return error(404, reply.reason);
    return error(400, reply.reason);
}

std::string numbers(const std::vector<int>& outputs) {
    std::string json = "[";
    for (const int output : outputs) json += (json.size() > 1 ? "," : "") + std::to_string(output);
    return json + "]";
}

// Every output of the runs: a reader of the API needs no ranges.
std::string numbers(const std::vector<Run>& runs) {
    std::vector<int> outputs;
    for (const Run& run : runs)
        for (int output = run.first; output <= run.last; ++output) outputs.push_back(output);
    return numbers(outputs);
}

// Whether a caller of that reach and source may read the line: a scoped one
// reads the switches and names of its own outputs and the remarks of its own
// requests, and nothing that speaks of the rest.
bool readable(const LogLine& line, const OutputReach& reach, const std::string& source) {
    if (reach.everything()) return true;
    if (const auto* switches = std::get_if<Switches>(&line.what)) {
        for (const std::vector<Run>* runs : {&switches->on, &switches->off})
            for (const Run& run : *runs)
                for (int output = run.first; output <= run.last; ++output)
                    if (!reach.has(output)) return false;
        return true;
    }
    if (const auto* rename = std::get_if<Rename>(&line.what)) return reach.has(rename->output);
    return std::holds_alternative<Remark>(line.what) && line.source == source;
}

// {"time":…,"source":"web:phone","label":"веб, токен «phone»","text":"вкл. 5",
// and what the line's kind holds: "on" and "off", "output" and "name", or "missed"}.
std::string logJson(const LogLine& line) {
    std::string json = "{\"time\":" + jsonString(line.time) + ",\"source\":" + jsonString(line.source) +
                       ",\"label\":" + jsonString(line.label()) + ",\"text\":" + jsonString(line.whatText());
    if (const auto* switches = std::get_if<Switches>(&line.what))
        json += ",\"on\":" + numbers(switches->on) + ",\"off\":" + numbers(switches->off);
    if (const auto* rename = std::get_if<Rename>(&line.what))
        json += ",\"output\":" + std::to_string(rename->output) + ",\"name\":" + jsonString(rename->name);
    if (const auto* missed = std::get_if<Missed>(&line.what)) json += ",\"missed\":" + jsonString(missed->at);
    return json + "}";
}

}  // namespace

WebApi::WebApi(CommandCore& core, RuleBook& rules, const Sequences& sequences, ChangeLog& log, OutputChoice tiles)
    : core_(core), rules_(rules), sequences_(sequences), log_(log), tiles_(std::move(tiles)) {}

// An output's or an input's number, name and state, the object left open.
std::string stateJson(const OutputView& view) {
    return "{\"number\":" + std::to_string(view.output) + ",\"name\":" + jsonString(view.name) + ",\"state\":\"" +
           (view.on ? "on" : "off") + "\"";
}

std::string outputJson(const OutputView& view, const OutputChoice& tiles) {
    std::string json = stateJson(view);
    if (const auto seconds = view.secondsLeft()) json += ",\"left\":" + std::to_string(*seconds);
    if (!tiles.includes(view.output, view.name)) json += ",\"hidden\":true";
    return json + "}";
}

std::string changeEvent(const OutputChange& change, const CommandCore& core, const OutputChoice& tiles,
                        const OutputReach& reach) {
    std::set<int> outputs(change.states.begin(), change.states.end());
    outputs.insert(change.names.begin(), change.names.end());
    std::erase_if(outputs, [&](int output) { return !reach.has(output); });
    if (outputs.empty()) return {};
    std::string json = "{\"source\":" + jsonString(sourceText(change.source)) + ",\"outputs\":[";
    bool first = true;
    for (int output : outputs) {
        json += (first ? "" : ",") + outputJson(core.view(output), tiles);
        first = false;
    }
    return "event: change\ndata: " + json + "]}\n\n";
}

std::string sequenceJson(const SequenceStatus& status) {
    std::string json = "{\"name\":" + jsonString(status.name) + ",\"state\":\"" + std::string(stateWord(status.state)) +
                       "\",\"step\":" + std::to_string(status.step) + ",\"steps\":" + std::to_string(status.steps) +
                       ",\"round\":" + std::to_string(status.round) +
                       ",\"rounds\":" + (status.rounds ? std::to_string(*status.rounds) : "null");
    // Rounded up, as an output's time left is: a step never shows 0 while it runs.
    if (status.left) json += ",\"left\":" + std::to_string((status.left->count() + 999) / 1000);
    return json + "}";
}

std::string sequenceEvent(const SequenceStatus& status) {
    return "event: sequence\ndata: " + sequenceJson(status) + "\n\n";
}

std::string inputEvent(const InputEdge& edge, const Rules& rules) {
    return "event: inputs\ndata: {\"inputs\":[" +
           stateJson({edge.input, inputName(rules.inputs, edge.input), edge.on}) + "}]}\n\n";
}

// {"number":5,"switches":57,"total":43500,"today":4200,"yesterday":7200},
// seconds on, with "power" (W) and "kwh" where a power is set.
std::string statsJson(const StatsView& view) {
    const OutputTally& tally = view.tally;
    std::string json = "{\"number\":" + std::to_string(view.output) +
                       ",\"switches\":" + std::to_string(tally.switches) +
                       ",\"total\":" + std::to_string(StatsView::seconds(tally.total)) +
                       ",\"today\":" + std::to_string(StatsView::seconds(tally.today)) +
                       ",\"yesterday\":" + std::to_string(StatsView::seconds(tally.yesterday));
    if (const auto kwh = view.kilowattHours())
        json += ",\"power\":" + decimalText(*view.watts) + ",\"kwh\":" + decimalText(*kwh);
    return json + "}";
}

HttpResponse WebApi::listing(const std::vector<int>& numbers, const Item& item) const {
    std::string json = "[";
    for (std::size_t i = 0; i < numbers.size(); ++i) json += (i ? "," : "") + item(numbers[i]);
    return {200, json + "]"};
}

std::optional<HttpResponse> WebApi::perOutput(const HttpRequest& request, std::string_view base,
                                              const OutputReach& reach, const Item& item) const {
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (request.path == base) {
        if (!get) return onlyMethod("GET");
        std::vector<int> all;
        for (int output = 1; output <= OutState::kOutputs; ++output)
            if (reach.has(output)) all.push_back(output);
        return listing(all, item);
    }
    const auto number = after(request.path, std::string(base) + "/");
    if (!number) return std::nullopt;
    if (!get) return onlyMethod("GET");
    const Parsed<int> output = parseOutput(*number);
    if (!output) return error(404, output.error);
    if (!reach.has(*output.value))
        return error(403, "вне области этого токена: вывод " + std::to_string(*output.value));
    return HttpResponse{200, item(*output.value)};
}

void WebApi::answer(const HttpRequest& request, const Caller& caller, const Respond& respond) {
    const std::variant<HttpResponse, Command> routed = route(request, caller);
    if (const auto* response = std::get_if<HttpResponse>(&routed)) return respond(*response);
    if (caller.role != AccessToken::Role::Switch) return respond(error(403, "этот токен только для чтения"));
    const Command& command = std::get<Command>(routed);
    if (!caller.reach.everything()) {
        const std::vector<int> outside = caller.reach.beyond(outputsSwitchedBy(command, rules_.rules()));
        if (!outside.empty()) return respond(refuseBeyondReach(caller, outside));
    }
    core_.execute({command, caller.source}, [respond](const Reply& reply) { respond(switchResponse(reply)); });
}

HttpResponse WebApi::refuseBeyondReach(const Caller& caller, const std::vector<int>& outside) {
    const std::string outputs = (outside.size() == 1 ? "вывод " : "выводы ") + runsText(runsOf(outside));
    log_.append(logLine(logTimestamp(std::chrono::system_clock::now()), sourceText(caller.source),
                        "отказано, вне области токена: " + outputs));
    std::string why = "вне области этого токена: " + outputs;
    if (!caller.scopeProblem.empty()) why += "; его Scope= в Rules.ini с ошибкой: " + caller.scopeProblem;
    return error(403, why + "; ничего не переключено");
}

HttpResponse WebApi::log(const HttpRequest& request, const Caller& caller) const {
    std::size_t count = 50;
    if (const std::optional<std::string> n = queryValue(request.query, "n")) {
        const std::optional<long long> value = digitsValue(*n);
        if (!value || *value < 1 || *value > static_cast<long long>(kMostLogLines))
            return error(400, "n: нужно число строк от 1 до 1000, а не " + quoted(*n));
        count = static_cast<std::size_t>(*value);
    }
    // A scoped caller's lines are picked from the most a request may ask for.
    std::vector<LogLine> lines = lastLogEntries(log_.path(), caller.reach.everything() ? count : kMostLogLines);
    const std::string source = sourceText(caller.source);
    std::erase_if(lines, [&](const LogLine& line) { return !readable(line, caller.reach, source); });
    if (lines.size() > count) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
    std::string json = "[";
    for (const LogLine& line : lines) json += (json.size() > 1 ? "," : "") + logJson(line);
    return {200, json + "]"};
}

HttpResponse WebApi::onlyMethod(const char* allowed) {
    HttpResponse response = error(405, std::string("здесь нужен метод ") + allowed);
    response.headers.emplace_back("Allow", allowed);
    return response;
}

HttpResponse WebApi::rules(const OutputReach& reach) const {
    const Rules& rules = rules_.rules();
    const auto reaches = [&](const Command& command) { return reachesAll(reach, command, rules); };
    const auto comma = [](std::string& json) { return json.back() == '[' ? "" : ","; };
    std::string json = "{\"groups\":[";
    for (const Group& group : rules.groups)
        if (reaches(SetCommand{{{Target::ofGroup(group.name), Switch::On}}}))
            json += comma(json) + ("{\"name\":" + jsonString(group.name)) + ",\"outputs\":" + numbers(group.outputs) +
                    "}";
    json += "],\"scenes\":[";
    for (const Scene& scene : rules.scenes)
        if (reaches(SceneCommand{scene.name})) json += comma(json) + jsonString(scene.name);
    json += "],\"rules\":[";
    for (const Rule& rule : rules.automationRules)
        if (reaches(RuleCommand{rule.name}))
            json += comma(json) + ("{\"name\":" + jsonString(rule.name)) +
                    ",\"enabled\":" + (rule.enabled ? "true" : "false") + "}";
    return {200, json + "]}"};
}

std::variant<HttpResponse, Command> WebApi::route(const HttpRequest& request, const Caller& caller) const {
    const OutputReach& reach = caller.reach;
    const std::string& path = request.path;
    const bool get = request.method == "GET" || request.method == "HEAD";
    const bool post = request.method == "POST";
    if (auto response =
            perOutput(request, "/api/outputs", reach, [this](int n) { return outputJson(core_.view(n), tiles_); }))
        return std::move(*response);
    if (auto response = perOutput(request, "/api/stats", reach, [this](int n) { return statsJson(core_.stats(n)); }))
        return std::move(*response);
    if (path == "/api/inputs") {
        if (!get) return onlyMethod("GET");
        // The inputs are no outputs of anyone's scope: a scoped token reads none.
        if (!reach.everything()) return HttpResponse{200, "[]"};
        std::string json = "[";
        for (const OutputView& input : core_.inputs()) json += (json.size() > 1 ? "," : "") + stateJson(input) + "}";
        return HttpResponse{200, json + "]"};
    }
    if (path == "/api/log") return get ? log(request, caller) : onlyMethod("GET");
    if (path == "/api/rules") return get ? rules(reach) : onlyMethod("GET");
    if (path == "/api/sequences") {
        if (!get) return onlyMethod("GET");
        std::string json = "[";
        for (const SequenceStatus& status : sequences_.statuses())
            if (reachesAll(reach, StartCommand{status.name}, rules_.rules()))
                json += (json.size() > 1 ? "," : "") + sequenceJson(status);
        return HttpResponse{200, json + "]"};
    }
    if (path == "/api/set") {
        if (!post) return onlyMethod("POST");
        const JsonMembers body = readStringObject(request.body);
        if (!body.error.empty()) return error(400, body.error);
        if (body.members.empty()) return error(400, "нет ни одного вывода: нужно {\"5\": \"on\", \"7\": \"off\"}");
        SetCommand set;
        for (const auto& [key, value] : body.members) {
            const Parsed<int> output = parseOutput(key);
            if (!output) return error(400, output.error);
            const Parsed<Switch> state = parseSwitch(value);
            if (!state) return error(400, state.error);
            set.outputs.emplace_back(*output.value, *state.value);
        }
        return Command{set};
    }
    if (const auto number = after(path, "/api/toggle/")) {
        if (!post) return onlyMethod("POST");
        const Parsed<int> output = parseOutput(*number);
        if (!output) return error(404, output.error);
        return Command{ToggleCommand{*output.value}};
    }
    if (const auto name = after(path, "/api/scene/")) {
        if (!post) return onlyMethod("POST");
        return Command{SceneCommand{*name}};
    }
    if (const auto name = after(path, "/api/group/")) {
        if (!post) return onlyMethod("POST");
        const JsonMembers body = readStringObject(request.body);
        if (!body.error.empty()) return error(400, body.error);
        if (body.members.size() != 1 || body.members.front().first != "state")
            return error(400, "нужно {\"state\": \"on\"}, {\"state\": \"off\"} или {\"state\": \"toggle\"}");
        const Parsed<Switch> state = parseSwitch(body.members.front().second);
        if (!state) return error(400, state.error);
        return Command{SetCommand{{{Target::ofGroup(*name), *state.value}}}};
    }
    // A name may hold a '/': the action is what follows the last one.
    const auto nameAndAction = [&](std::string_view prefix) -> std::optional<std::pair<std::string, std::string>> {
        const auto rest = after(path, prefix);
        if (!rest) return std::nullopt;
        const std::size_t slash = rest->rfind('/');
        if (slash == std::string::npos) return std::pair<std::string, std::string>{};
        return std::pair{rest->substr(0, slash), rest->substr(slash + 1)};
    };
    if (const auto sequence = nameAndAction("/api/sequence/")) {
        const auto& [name, action] = *sequence;
        if (action != "start" && action != "pause" && action != "stop")
            return error(404, "нужно /api/sequence/ИМЯ/start, /pause или /stop, а не " + quoted(path));
        if (!post) return onlyMethod("POST");
        if (action == "start") return Command{StartCommand{name}};
        if (action == "pause") return Command{PauseCommand{name}};
        return Command{StopCommand{name}};
    }
    if (const auto rule = nameAndAction("/api/rule/")) {
        const auto& [name, action] = *rule;
        if (action != "on" && action != "off")
            return error(404, "нужно /api/rule/ИМЯ/on или /off, а не " + quoted(path));
        if (!post) return onlyMethod("POST");
        return Command{RuleCommand{name, action == "on"}};
    }
    return error(404, "нет такого адреса: " + quoted(path));
}

const char* statusText(int status) {
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
    }
}

}  // namespace kavtra::web
