#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kavtra {

// Who asked for a change. Every request and every step carries it, so that
// whatever rules on changes or records them knows where each came from.
struct Source {
    enum class Kind {
        Window,       // a double click, a rename, "Выводы" in the window
        CommandLine,  // kavtra --set ... and the command socket
        Mqtt,         // name: the node the command came in for
        Policy,       // name: "start" or "exit"
        Pulse,        // the return of a pulse
        Scene,        // name: the scene recalled
        Group,        // name: the group switched
        Interlock,    // name: the interlock that switched or held outputs off
        Undo,
        Schedule,  // name: the schedule that acted
        Timer,     // an output's limit on its time on ran out
        Web,       // name: the access token of the request; none while there are no tokens
        Rule,      // name: the rule of Rules.ini that acted
        Sequence,  // name: the sequence whose step it is
        // Rules.ini itself, when a reading of it left rules unread: in the log
        // only. The last kind: sourceFromText tries each up to it.
        RulesFile,
    };
    Kind kind = Kind::Window;
    std::string name;

    bool operator==(const Source&) const = default;

    static const Source Window;
    static const Source CommandLine;
    static const Source StartPolicy;
    static const Source ExitPolicy;
    static const Source Pulse;
    static const Source Undo;
    static const Source Timer;
    static const Source RulesFile;
    static Source mqtt(std::string node) { return {Kind::Mqtt, std::move(node)}; }
    static Source scene(std::string name) { return {Kind::Scene, std::move(name)}; }
    static Source group(std::string name) { return {Kind::Group, std::move(name)}; }
    static Source interlock(std::string name) { return {Kind::Interlock, std::move(name)}; }
    static Source schedule(std::string name) { return {Kind::Schedule, std::move(name)}; }
    static Source web(std::string token) { return {Kind::Web, std::move(token)}; }
    static Source rule(std::string name) { return {Kind::Rule, std::move(name)}; }
    static Source sequence(std::string name) { return {Kind::Sequence, std::move(name)}; }
};

inline const Source Source::Window{Source::Kind::Window, {}};
inline const Source Source::CommandLine{Source::Kind::CommandLine, {}};
inline const Source Source::StartPolicy{Source::Kind::Policy, "start"};
inline const Source Source::ExitPolicy{Source::Kind::Policy, "exit"};
inline const Source Source::Pulse{Source::Kind::Pulse, {}};
inline const Source Source::Undo{Source::Kind::Undo, {}};
inline const Source Source::Timer{Source::Kind::Timer, {}};
inline const Source Source::RulesFile{Source::Kind::RulesFile, {}};

// How the log names a source: "window", "command", "mqtt:NODE",
// "policy:start", "scene:NAME", "group:NAME", "pulse", "interlock:NAME",
// "undo", "schedule:NAME", "timer", "web:TOKEN" (or "web"), "rule:NAME",
// "sequence:NAME", "rules".
inline std::string sourceText(const Source& source) {
    const auto named = [&](const char* kind) {
        return source.name.empty() ? std::string(kind) : std::string(kind) + ":" + source.name;
    };
    switch (source.kind) {
    case Source::Kind::Window: return "window";
    case Source::Kind::CommandLine: return "command";
    case Source::Kind::Mqtt: return named("mqtt");
    case Source::Kind::Policy: return named("policy");
    case Source::Kind::Pulse: return "pulse";
    case Source::Kind::Scene: return named("scene");
    case Source::Kind::Group: return named("group");
    case Source::Kind::Interlock: return named("interlock");
    case Source::Kind::Undo: return "undo";
    case Source::Kind::Schedule: return named("schedule");
    case Source::Kind::Timer: return "timer";
    case Source::Kind::Web: return named("web");
    case Source::Kind::Rule: return named("rule");
    case Source::Kind::Sequence: return named("sequence");
    case Source::Kind::RulesFile: return "rules";
    }
    return "?";
}

// The source a spelling of sourceText names; nothing for one it never gives,
// so that a log written by another version still reads.
std::optional<Source> sourceFromText(std::string_view text);

// How the program's Russian texts name a source: "окно", "MQTT: garage",
// "расписание «Вечер»", "веб, токен «phone»".
std::string sourceLabel(const Source& source);

}  // namespace kavtra
