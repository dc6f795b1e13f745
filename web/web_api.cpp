#include "web/web_api.h"

#include <optional>
#include <set>
#include <utility>

#include "commands/parse.h"
#include "engine/log_line.h"
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

WebApi::WebApi(CommandCore& core, RuleBook& rules, const Sequences& sequences, std::string logPath, OutputChoice tiles)
    : core_(core), rules_(rules), sequences_(sequences), logPath_(std::move(logPath)), tiles_(std::move(tiles)) {}

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

std::string changeEvent(const OutputChange& change, const CommandCore& core, const OutputChoice& tiles) {
    std::set<int> outputs(change.states.begin(), change.states.end());
    outputs.insert(change.names.begin(), change.names.end());
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

HttpResponse WebApi::outputs(const std::vector<int>& numbers) const {
    std::string json = "[";
    for (std::size_t i = 0; i < numbers.size(); ++i)
        json += (i ? "," : "") + outputJson(core_.view(numbers[i]), tiles_);
    return {200, json + "]"};
}

void WebApi::answer(const HttpRequest& request, const Caller& caller, const Respond& respond) {
    const std::variant<HttpResponse, Command> routed = route(request);
    if (const auto* response = std::get_if<HttpResponse>(&routed)) return respond(*response);
    if (caller.role != AccessToken::Role::Switch) return respond(error(403, "этот токен только для чтения"));
    core_.execute({std::get<Command>(routed), caller.source},
                  [respond](const Reply& reply) { respond(switchResponse(reply)); });
}

HttpResponse WebApi::log(const HttpRequest& request) const {
    std::size_t count = 50;
    if (const std::optional<std::string> n = queryValue(request.query, "n")) {
        const std::optional<long long> value = digitsValue(*n);
        if (!value || *value < 1 || *value > static_cast<long long>(kMostLogLines))
            return error(400, "n: нужно число строк от 1 до 1000, а не " + quoted(*n));
        count = static_cast<std::size_t>(*value);
    }
    std::string json = "[";
    for (const LogLine& line : lastLogEntries(logPath_, count)) json += (json.size() > 1 ? "," : "") + logJson(line);
    return {200, json + "]"};
}

HttpResponse WebApi::onlyMethod(const char* allowed) {
    HttpResponse response = error(405, std::string("здесь нужен метод ") + allowed);
    response.headers.emplace_back("Allow", allowed);
    return response;
}

HttpResponse WebApi::rules() const {
    const Rules& rules = rules_.rules();
    std::string json = "{\"groups\":[";
    for (std::size_t i = 0; i < rules.groups.size(); ++i) {
        json += std::string(i ? "," : "") + "{\"name\":" + jsonString(rules.groups[i].name) +
                ",\"outputs\":" + numbers(rules.groups[i].outputs) + "}";
    }
    json += "],\"scenes\":[";
    for (std::size_t i = 0; i < rules.scenes.size(); ++i) json += (i ? "," : "") + jsonString(rules.scenes[i].name);
    json += "],\"rules\":[";
    for (std::size_t i = 0; i < rules.automationRules.size(); ++i)
        json += std::string(i ? "," : "") + "{\"name\":" + jsonString(rules.automationRules[i].name) +
                ",\"enabled\":" + (rules.automationRules[i].enabled ? "true" : "false") + "}";
    return {200, json + "]}"};
}

std::variant<HttpResponse, Command> WebApi::route(const HttpRequest& request) const {
    const std::string& path = request.path;
    const bool get = request.method == "GET" || request.method == "HEAD";
    const bool post = request.method == "POST";
    if (path == "/api/outputs") {
        if (!get) return onlyMethod("GET");
        std::vector<int> all(OutState::kOutputs);
        for (int output = 1; output <= OutState::kOutputs; ++output) all[output - 1] = output;
        return outputs(all);
    }
    if (const auto number = after(path, "/api/outputs/")) {
        if (!get) return onlyMethod("GET");
        const Parsed<int> output = parseOutput(*number);
        if (!output) return error(404, output.error);
        HttpResponse response = outputs({*output.value});
        response.body = response.body.substr(1, response.body.size() - 2);
        return response;
    }
    if (path == "/api/inputs") {
        if (!get) return onlyMethod("GET");
        std::string json = "[";
        for (const OutputView& input : core_.inputs()) json += (json.size() > 1 ? "," : "") + stateJson(input) + "}";
        return HttpResponse{200, json + "]"};
    }
    if (path == "/api/log") return get ? log(request) : onlyMethod("GET");
    if (path == "/api/rules") return get ? rules() : onlyMethod("GET");
    if (path == "/api/sequences") {
        if (!get) return onlyMethod("GET");
        std::string json = "[";
        for (const SequenceStatus& status : sequences_.statuses())
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
