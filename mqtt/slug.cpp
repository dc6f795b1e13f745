#include "mqtt/slug.h"

#include <cstdint>
#include <cstdio>
#include <set>

namespace kavtra {
namespace {

// The Russian alphabet from а to я, as Latin letters a reader of either can
// follow; the two signs are left out.
constexpr const char* kRussian[] = {"a",  "b",  "v",  "g",    "d", "e", "zh", "z", "i",  "y", "k",
                                    "l",  "m",  "n",  "o",    "p", "r", "s",  "t", "u",  "f", "kh",
                                    "ts", "ch", "sh", "shch", "",  "y", "",   "e", "yu", "ya"};

// The next code point of well-formed UTF-8 at `at`, which moves past it.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int i = 1; i < length && at + i < text.size(); ++i) point = (point << 6) | (byte(at + i) & 0x3F);
    at += static_cast<std::size_t>(length);
    return point;
}

std::string latin(char32_t point) {
    if (point >= U'a' && point <= U'z') return std::string(1, static_cast<char>(point));
    if (point >= U'0' && point <= U'9') return std::string(1, static_cast<char>(point));
    if (point >= U'A' && point <= U'Z') return std::string(1, static_cast<char>(point - U'A' + U'a'));
    if (point >= U'а' && point <= U'я') return kRussian[point - U'а'];
    if (point >= U'А' && point <= U'Я') return kRussian[point - U'А'];
    if (point == U'ё' || point == U'Ё') return "e";
    return "_";
}

std::string shortHash(std::string_view name) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%06x", static_cast<unsigned>(hash & 0xFFFFFF));
    return hex;
}

}  // namespace

std::string slugOf(std::string_view name) {
    std::string slug;
    for (std::size_t at = 0; at < name.size();) {
        const std::string part = latin(nextCodePoint(name, at));
        if (part == "_" && (slug.empty() || slug.back() == '_')) continue;
        slug += part;
    }
    if (!slug.empty() && slug.back() == '_') slug.pop_back();
    return slug;
}

std::vector<std::string> uniqueSlugs(const std::vector<std::string>& names) {
    std::vector<std::string> slugs;
    std::set<std::string> taken;
    for (const std::string& name : names) {
        const std::string plain = slugOf(name);
        std::string slug = plain;
        // A name of signs alone has no letters to give: its hash stands alone.
        for (int salt = 0; slug.empty() || taken.count(slug); ++salt)
            slug = (plain.empty() ? "" : plain + "_") + shortHash(salt == 0 ? name : name + "#" + std::to_string(salt));
        taken.insert(slug);
        slugs.push_back(std::move(slug));
    }
    return slugs;
}

}  // namespace kavtra
