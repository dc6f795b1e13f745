#pragma once

#include <string>

#include "rules/rules.h"

namespace kavtra::web {

// --add-token: a new token NAME with its role and scope (Scope= as written,
// empty for every output) in the Rules.ini at `path`, only its hash kept.
// The scope is read against the file's groups and scenes first: one at fault
// writes nothing. Gives the secret, shown once, or why not.
struct NewToken {
    std::string secret;
    std::string error;
};
NewToken addToken(const std::string& path, const std::string& name, AccessToken::Role role,
                  const std::string& scope = {});

// --remove-token: the token's section gone. Empty, or why not.
std::string removeToken(const std::string& path, const std::string& name);

}  // namespace kavtra::web
