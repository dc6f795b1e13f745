#include "app/console.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kavtra {

void useUtf8Console() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
}

void printLine(std::FILE* stream, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
}

ClientOutput consoleOutput() {
    return {[](const std::string& line) { printLine(stdout, line); },
            [](const std::string& line) { printLine(stderr, line); }};
}

}  // namespace kavtra
