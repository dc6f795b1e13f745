#include "web/token_file.h"

#include <algorithm>
#include <stdexcept>

#include "commands/parse.h"
#include "persist/ini/ini_lines.h"
#include "persist/profile/profile.h"
#include "rules/reach.h"
#include "rules/rule_book.h"
#include "web/access.h"

namespace kavtra::web {
namespace {

// The token's section as the file spells it, if it has one.
std::optional<std::string> sectionOf(const std::string& path, const std::string& name) {
    const std::string wanted = tokenSection(name);
    for (const std::string& section : profileSectionNames(path))
        if (ini::equalsIgnoringAsciiCase(section, wanted)) return section;
    return std::nullopt;
}

}  // namespace

NewToken addToken(const std::string& path, const std::string& name, AccessToken::Role role, const std::string& scope) {
    if (!isRuleName(name)) return {{}, "имя токена не годится: пусто, пробелы по краям или знаки [ ] ="};
    if (sectionOf(path, name)) return {{}, "токен " + quoted(name) + " уже есть; сначала --remove-token"};
    const std::string_view written = ini::trimBlanks(scope);
    if (cleanName(written) != written)
        return {{}, "область токена " + quoted(scope) + ": переводы строк и управляющие знаки не годятся"};
    if (!written.empty()) {
        const RulesReading reading = readRulesFile(path);
        if (!reading.read) return {{}, problemText(reading.problems.front())};
        const Parsed<std::vector<int>> outputs = scopeOutputs(written, reading.rules);
        if (!outputs) return {{}, "область токена " + quoted(scope) + ": " + outputs.error};
    }
    NewToken made;
    try {
        made.secret = newTokenSecret();
    } catch (const std::runtime_error& failure) {
        return {{}, failure.what()};
    }
    const std::string section = tokenSection(name);
    const std::string failure = saveFailure(path, [&] {
        startProfileAsUtf8(path);
        writePrivateProfileString(section, "Role", role == AccessToken::Role::Switch ? "switch" : "read", path);
        writePrivateProfileString(section, "Hash", tokenHash(made.secret), path);
        if (!written.empty()) writePrivateProfileString(section, "Scope", std::string(written), path);
    });
    if (!failure.empty()) return {{}, "Rules.ini не сохранён: " + failure};
    return made;
}

std::string removeToken(const std::string& path, const std::string& name) {
    const std::optional<std::string> section = sectionOf(path, name);
    if (!section) return "нет токена " + quoted(name);
    const std::string failure = saveFailure(path, [&] { removeProfileSection(*section, path); });
    return failure.empty() ? std::string() : "Rules.ini не сохранён: " + failure;
}

}  // namespace kavtra::web
