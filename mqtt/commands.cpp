#include "mqtt/commands.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "mqtt/topics.h"

namespace kavtra {
namespace {

// Shown in log lines; long or binary payloads are cut and escaped.
std::string quoted(std::string_view text) {
    constexpr std::size_t shown = 40;
    std::string out = "\"";
    for (const char c : text.substr(0, shown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
            constexpr char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    if (text.size() > shown) out += "…";
    return out + "\"";
}

// Size and encoding first, so nothing else ever sees a payload that fails them.
std::string envelopeRejection(std::string_view payload) {
    if (payload.size() > kLargestCommand) return "команда длиннее " + std::to_string(kLargestCommand) + " байт";
    if (!isValidUtf8(payload)) return "команда не в UTF-8";
    return {};
}

ParsedCommand rejected(std::string why) { return {{}, std::move(why)}; }

}  // namespace

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t code = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i <= static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::optional<Switch> switchWord(std::string_view word) {
    if (word == "ON") return Switch::On;
    if (word == "OFF") return Switch::Off;
    if (word == "TOGGLE") return Switch::Toggle;
    return std::nullopt;
}

ParsedCommand parseOutputCommand(int output, std::string_view payload) {
    if (std::string why = envelopeRejection(payload); !why.empty()) return rejected(std::move(why));
    const auto action = switchWord(payload);
    if (!action) return rejected("неизвестная команда " + quoted(payload) + ", ожидается ON, OFF или TOGGLE");
    return {{{output, *action}}, {}};
}

ParsedCommand parseBatchCommand(std::string_view payload) {
    if (std::string why = envelopeRejection(payload); !why.empty()) return rejected(std::move(why));
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(payload.data(), static_cast<qsizetype>(payload.size())), &error);
    if (error.error != QJsonParseError::NoError)
        return rejected("неверный JSON: " + error.errorString().toStdString() + " (позиция " +
                        std::to_string(error.offset) + ")");
    if (!document.isObject()) return rejected("ожидается объект JSON вида {\"12\":\"ON\"}");
    const QJsonObject object = document.object();
    if (object.isEmpty()) return rejected("пустой объект JSON");
    ParsedCommand parsed;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        const auto output = outputNumber(key);
        if (!output) return rejected("номер вывода " + quoted(key) + " не от 1 до 300");
        const std::string word = it.value().toString().toStdString();
        const auto action = it.value().isString() ? switchWord(word) : std::nullopt;
        if (!action)
            return rejected("для вывода " + key + " неизвестная команда, ожидается \"ON\", \"OFF\" или \"TOGGLE\"");
        parsed.commands.push_back({*output, *action});
    }
    return parsed;
}

}  // namespace kavtra
