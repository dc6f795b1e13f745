#include <algorithm>
#include <utility>

#include "persist/ini/ini_lines.h"
#include "rules/reach.h"
#include "rules/rule_reader.h"

namespace kavtra {

void readTokens(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& section : sections) {
        const std::string role = reader.value(section.section, "Role");
        AccessToken token{section.name, AccessToken::Role::Read, reader.value(section.section, "Hash")};
        for (char& c : token.hash)
            if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (ini::equalsIgnoringAsciiCase(role, "switch"))
            token.role = AccessToken::Role::Switch;
        else if (!ini::equalsIgnoringAsciiCase(role, "read")) {
            reader.problem(section.section, "Role", quote(role) + ": нужно read или switch");
            continue;
        }
        const bool hex = token.hash.size() == 64 && std::all_of(token.hash.begin(), token.hash.end(), [](char c) {
                             return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                         });
        if (!hex) {
            reader.problem(section.section, "Hash",
                           "нужен хеш SHA-256 из 64 шестнадцатеричных цифр (kavtra --add-token его пишет)");
            continue;
        }
        // A scope at fault keeps its token, reaching nothing: left out, the
        // token would meet the limiter of wrong ones, and reaching every
        // output it would give more than its owner meant.
        token.scope = reader.value(section.section, "Scope");
        if (!ini::trimBlanks(token.scope).empty()) {
            Parsed<std::vector<int>> outputs = scopeOutputs(token.scope, reader.rules());
            token.reach.outputs = std::move(outputs.value).value_or(std::vector<int>{});
            if (!outputs) {
                token.scopeProblem = outputs.error;
                reader.problem(section.section, "Scope", quote(token.scope) + ": " + outputs.error);
            }
        }
        reader.rules().tokens.push_back(std::move(token));
    }
}

}  // namespace kavtra
