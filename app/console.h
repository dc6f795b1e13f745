#pragma once

#include <cstdio>
#include <string>

#include "control/command_client.h"

namespace kavtra {

// A line on a standard stream, as it is (UTF-8).
void printLine(std::FILE* stream, const std::string& line);

// A command's data to standard output, its messages to standard error.
ClientOutput consoleOutput();

}  // namespace kavtra
