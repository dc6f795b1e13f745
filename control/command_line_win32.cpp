#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "control/command_line.h"
#include "persist/platform/wide_text.h"

namespace kavtra {

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(narrow(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

}  // namespace kavtra
