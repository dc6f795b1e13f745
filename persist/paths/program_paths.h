#pragma once

#include <string>

namespace kavtra {

// The running executable's file name without directory and extension.
std::string executableBaseName();
// The folder of the running executable, links resolved, in UTF-8.
std::string executableDirectory();

}  // namespace kavtra
