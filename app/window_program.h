#pragma once

#include <string>

namespace kavtra {

// Hands the start over to the program with the window, kavtra-window in
// executableDir, with the same arguments; returns only when that failed,
// with the status to end with. The program that handles commands loads no
// widget library, which would cost every command as long again as the rest
// of its run.
int runWindowProgram(const std::string& executableDir, char** argv);

// Runs the program without a window with these arguments; returns its exit
// status, or only when the hand-over failed.
int runNoWindowProgram(int argc, char** argv);

}  // namespace kavtra
