#include "mqtt/commands.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kavtra {
namespace {

Parsed<Command> rejected(std::string why) { return Parsed<Command>::refused(std::move(why)); }

std::optional<Switch> payloadWord(std::string_view word) {
    if (word == "ON") return Switch::On;
    if (word == "OFF") return Switch::Off;
    if (word == "TOGGLE") return Switch::Toggle;
    return std::nullopt;
}

// The one word a payload must be, exactly.
std::string wordProblem(std::string_view payload, std::string_view word) {
    if (std::string why = envelopeProblem(payload); !why.empty()) return why;
    if (payload != word) return "неизвестная команда " + quoted(payload) + ", ожидается " + std::string(word);
    return {};
}

Parsed<Command> switchCommand(const Target& target, std::string_view payload) {
    if (std::string why = envelopeProblem(payload); !why.empty()) return rejected(std::move(why));
    const std::optional<Switch> action = payloadWord(payload);
    if (!action) return rejected("неизвестная команда " + quoted(payload) + ", ожидается ON, OFF или TOGGLE");
    return {Command(SetCommand{{{target, *action}}}), {}};
}

// ON or OFF, exactly: a switch of Home Assistant's.
Parsed<bool> onOff(std::string_view payload) {
    if (std::string why = envelopeProblem(payload); !why.empty()) return Parsed<bool>::refused(std::move(why));
    if (payload != "ON" && payload != "OFF")
        return Parsed<bool>::refused("неизвестная команда " + quoted(payload) + ", ожидается ON или OFF");
    return {payload == "ON", {}};
}

}  // namespace

Parsed<Command> parseSequenceCommand(const std::string& sequence, std::string_view payload) {
    const Parsed<bool> on = onOff(payload);
    if (!on) return rejected(on.error);
    return {*on.value ? Command(StartCommand{sequence}) : Command(StopCommand{sequence}), {}};
}

Parsed<Command> parseRuleCommand(const std::string& rule, std::string_view payload) {
    const Parsed<bool> on = onOff(payload);
    if (!on) return rejected(on.error);
    return {Command(RuleCommand{rule, *on.value}), {}};
}

Parsed<Command> parseOutputCommand(int output, std::string_view payload) { return switchCommand(output, payload); }

Parsed<Command> parseGroupCommand(const std::string& group, std::string_view payload) {
    return switchCommand(Target::ofGroup(group), payload);
}

Parsed<Command> parseSceneCommand(const std::string& scene, std::string_view payload) {
    if (std::string why = wordProblem(payload, "ON"); !why.empty()) return rejected(std::move(why));
    return {Command(SceneCommand{scene}), {}};
}

Parsed<Command> parseUndoCommand(std::string_view payload) {
    if (std::string why = wordProblem(payload, "PRESS"); !why.empty()) return rejected(std::move(why));
    return {Command(UndoCommand{}), {}};
}

Parsed<Command> parseBatchCommand(std::string_view payload) {
    if (std::string why = envelopeProblem(payload); !why.empty()) return rejected(std::move(why));
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(payload.data(), static_cast<qsizetype>(payload.size())), &error);
    if (error.error != QJsonParseError::NoError)
        return rejected("неверный JSON: " + error.errorString().toStdString() + " (позиция " +
                        std::to_string(error.offset) + ")");
    if (!document.isObject()) return rejected("ожидается объект JSON вида {\"12\":\"ON\"}");
    const QJsonObject object = document.object();
    if (object.isEmpty()) return rejected("пустой объект JSON");
    SetCommand set;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        const Parsed<int> output = parseOutput(key);
        if (!output) return rejected(output.error);
        const auto action = it.value().isString() ? payloadWord(it.value().toString().toStdString()) : std::nullopt;
        if (!action)
            return rejected("для вывода " + key + " неизвестная команда, ожидается \"ON\", \"OFF\" или \"TOGGLE\"");
        set.outputs.emplace_back(*output.value, *action);
    }
    return {Command(std::move(set)), {}};
}

}  // namespace kavtra
