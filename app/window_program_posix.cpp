#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "app/console.h"
#include "app/window_program.h"
#include "persist/paths/program_paths.h"

namespace kavtra {

namespace {

// The same process goes on as the other program: whoever started kavtra (a
// terminal, systemd) keeps the process it knows, with its signals.
int becomeProgram(const std::string& path, char** argv) {
    argv[0] = const_cast<char*>(path.c_str());
    ::execv(path.c_str(), argv);
    printLine(stderr, "kavtra: не удалось запустить " + path + ": " + std::strerror(errno));
    return 1;
}

}  // namespace

int runWindowProgram(const std::string& executableDir, char** argv) {
    return becomeProgram(executableDir + "/kavtra-window", argv);
}

// The mode without a window needs Qt Core, which a command must not load: it
// is a program of its own beside this one.
int runNoWindowProgram(int, char** argv) { return becomeProgram(executableDirectory() + "/kavtra-no-window", argv); }

}  // namespace kavtra
