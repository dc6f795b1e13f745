#include "engine/source.h"

namespace kavtra {

std::optional<Source> sourceFromText(std::string_view text) {
    const std::size_t colon = text.find(':');
    Source source{Source::Kind::Window, colon == std::string_view::npos ? "" : std::string(text.substr(colon + 1))};
    // Spelling each kind with the name and comparing keeps sourceText the
    // only place that knows the spellings.
    for (int kind = 0; kind <= static_cast<int>(Source::Kind::RulesFile); ++kind) {
        source.kind = static_cast<Source::Kind>(kind);
        if (sourceText(source) != text) continue;
        if (source.kind == Source::Kind::Policy && source != Source::StartPolicy && source != Source::ExitPolicy)
            return std::nullopt;
        return source;
    }
    return std::nullopt;
}

std::string sourceLabel(const Source& source) {
    const auto quoted = [&](const char* kind) { return std::string(kind) + " «" + source.name + "»"; };
    switch (source.kind) {
    case Source::Kind::Window: return "окно";
    case Source::Kind::CommandLine: return "команда";
    case Source::Kind::Mqtt: return source.name.empty() ? "MQTT" : "MQTT: " + source.name;
    case Source::Kind::Policy: return source == Source::ExitPolicy ? "при выходе" : "при запуске";
    case Source::Kind::Pulse: return "импульс";
    case Source::Kind::Scene: return quoted("сцена");
    case Source::Kind::Group: return quoted("группа");
    case Source::Kind::Interlock: return quoted("блокировка");
    case Source::Kind::Undo: return "отмена";
    case Source::Kind::Schedule: return quoted("расписание");
    case Source::Kind::Timer: return "предел времени";
    case Source::Kind::Web: return source.name.empty() ? "веб" : quoted("веб, токен");
    case Source::Kind::Rule: return quoted("правило");
    case Source::Kind::Sequence: return quoted("последовательность");
    case Source::Kind::RulesFile: return "Rules.ini";
    }
    return sourceText(source);
}

}  // namespace kavtra
