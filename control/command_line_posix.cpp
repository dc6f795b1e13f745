#include "control/command_line.h"

namespace kavtra {

// The bytes as given, which is UTF-8 wherever the program's texts show right.
std::vector<std::string> programArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace kavtra
