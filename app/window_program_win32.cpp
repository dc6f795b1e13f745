#include <windows.h>

#include <string>

#include "app/console.h"
#include "app/no_window.h"
#include "app/window_program.h"
#include "persist/platform/wide_text.h"

namespace kavtra {

namespace {

// The command line after the program's own name, as Windows splits it off:
// quoted, or up to the first blank.
std::wstring argumentsAfterProgram(const wchar_t* line) {
    const wchar_t* rest = line;
    if (*rest == L'"') {
        ++rest;
        while (*rest && *rest != L'"') ++rest;
        if (*rest) ++rest;
    } else {
        while (*rest && *rest != L' ' && *rest != L'\t') ++rest;
    }
    return rest;
}

}  // namespace

// Windows has no exec: the window's program is started on its own and this
// one ends.
int runWindowProgram(const std::string& executableDir, char**) {
    const std::wstring path = widen(executableDir) + L"\\kavtra-window.exe";
    std::wstring line = L"\"" + path + L"\"" + argumentsAfterProgram(::GetCommandLineW());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                         &startup, &started)) {
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
        return 0;
    }
    printLine(stderr, "kavtra: не удалось запустить " + narrow(path));
    return 1;
}

// Qt is linked statically on Windows, so it is no library a command has to
// load; a second program would only stand between the console's events and
// the exit sequence.
int runNoWindowProgram(int argc, char** argv) { return runWithoutWindow(argc, argv); }

}  // namespace kavtra
