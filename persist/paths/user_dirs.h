#pragma once

#include <string>

namespace kavtra {

// The user's base directories as the XDG rules give them: the variable when
// it holds an absolute path, else under the home directory (HOME, or the
// password database when HOME is unset).
std::string userConfigHome();  // $XDG_CONFIG_HOME or ~/.config
std::string userDataHome();    // $XDG_DATA_HOME or ~/.local/share

}  // namespace kavtra
