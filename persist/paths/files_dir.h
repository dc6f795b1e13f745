#pragma once

#include <string>

namespace kavtra {

// The directory that holds config.ini and Data.dat: the executable's own, as
// long as the program may write there. An installed copy sits where its users
// cannot write, and every save would be lost without a word; it keeps its
// files in the user's data directory for the program instead, made if
// missing: $XDG_DATA_HOME/kavtra (by default ~/.local/share/kavtra), on
// Windows %APPDATA%\Kavtra.
std::string filesDirectory(const std::string& executableDir);
std::string filesDirectory(const std::string& executableDir, bool executableDirWritable);

}  // namespace kavtra
