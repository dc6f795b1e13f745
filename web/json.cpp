#include "web/json.h"

#include <cstdint>

#include "persist/ini/codepage.h"

namespace kavtra::web {
namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    void blanks() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool take(char c) {
        blanks();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool atEnd() {
        blanks();
        return at_ == text_.size();
    }

    std::optional<std::string> string() {
        if (!take('"')) return std::nullopt;
        std::string value;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return value;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (at_ >= text_.size()) return std::nullopt;
            const char escaped = text_[at_++];
            switch (escaped) {
            case '"': value += '"'; break;
            case '\\': value += '\\'; break;
            case '/': value += '/'; break;
            case 'b': value += '\b'; break;
            case 'f': value += '\f'; break;
            case 'n': value += '\n'; break;
            case 'r': value += '\r'; break;
            case 't': value += '\t'; break;
            case 'u': {
                std::optional<std::uint32_t> unit = hex4();
                if (!unit) return std::nullopt;
                std::uint32_t code = *unit;
                if (code >= 0xD800 && code < 0xDC00) {
                    if (!take('\\') || at_ >= text_.size() || text_[at_++] != 'u') return std::nullopt;
                    const std::optional<std::uint32_t> low = hex4();
                    if (!low || *low < 0xDC00 || *low >= 0xE000) return std::nullopt;
                    code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
                } else if (code >= 0xDC00 && code < 0xE000) {
                    return std::nullopt;
                }
                appendUtf8(value, code);
                break;
            }
            default: return std::nullopt;
            }
        }
        return std::nullopt;
    }

private:
    std::optional<std::uint32_t> hex4() {
        if (text_.size() - at_ < 4) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return std::nullopt;
            value = value * 16 + digit;
        }
        return value;
    }

    static void appendUtf8(std::string& out, std::uint32_t code) {
        const auto byte = [&out](std::uint32_t b) { out += static_cast<char>(b); };
        if (code < 0x80) {
            byte(code);
        } else if (code < 0x800) {
            byte(0xC0 | (code >> 6));
            byte(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            byte(0xE0 | (code >> 12));
            byte(0x80 | ((code >> 6) & 0x3F));
            byte(0x80 | (code & 0x3F));
        } else {
            byte(0xF0 | (code >> 18));
            byte(0x80 | ((code >> 12) & 0x3F));
            byte(0x80 | ((code >> 6) & 0x3F));
            byte(0x80 | (code & 0x3F));
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

JsonMembers readStringObject(std::string_view text) {
    JsonMembers result;
    const auto refuse = [&](std::string why) {
        result.members.clear();
        result.error = std::move(why);
        return result;
    };
    if (!isWellFormedUtf8(text)) return refuse("тело запроса не в UTF-8");
    Reader reader(text);
    if (!reader.take('{')) return refuse("нужен объект JSON вида {\"ключ\": \"значение\"}");
    if (reader.take('}')) return reader.atEnd() ? result : refuse("после объекта JSON есть лишний текст");
    do {
        std::optional<std::string> key = reader.string();
        if (!key || !reader.take(':')) return refuse("неверный JSON: нужен ключ в кавычках и двоеточие");
        std::optional<std::string> value = reader.string();
        if (!value) return refuse("неверный JSON: значение ключа " + jsonString(*key) + " должно быть строкой");
        for (const auto& member : result.members)
            if (member.first == *key) return refuse("ключ " + jsonString(*key) + " указан дважды");
        result.members.emplace_back(std::move(*key), std::move(*value));
    } while (reader.take(','));
    if (!reader.take('}')) return refuse("неверный JSON: нет закрывающей скобки }");
    if (!reader.atEnd()) return refuse("после объекта JSON есть лишний текст");
    return result;
}

std::string jsonString(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string errorJson(std::string_view why) { return "{\"error\":" + jsonString(why) + "}"; }

}  // namespace kavtra::web
