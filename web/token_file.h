#pragma once

#include <string>

#include "rules/rules.h"

namespace kavtra::web {

// --add-token: a new token NAME with its role in the Rules.ini at `path`,
// only its hash kept. Gives the secret, shown once, or why not.
struct NewToken {
    std::string secret;
    std::string error;
};
NewToken addToken(const std::string& path, const std::string& name, AccessToken::Role role);

// --remove-token: the token's section gone. Empty, or why not.
std::string removeToken(const std::string& path, const std::string& name);

}  // namespace kavtra::web
