#pragma once

namespace kavtra {

// Hands the start over to the program with the window, kavtra-window beside
// this executable, with the same arguments; returns only when that failed,
// with the status to end with. The program that handles commands and runs
// without a window loads no widget library, which would cost every command
// as long again as the rest of its run.
int runWindowProgram(char** argv);

}  // namespace kavtra
