#pragma once

#include <string>

namespace kavtra {

// The running executable's file name without directory and extension.
std::string executableBaseName();

}  // namespace kavtra
