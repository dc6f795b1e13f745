#include "app/console.h"

namespace kavtra {

void printLine(std::FILE* stream, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
}

ClientOutput consoleOutput() {
    return {[](const std::string& line) { printLine(stdout, line); },
            [](const std::string& line) { printLine(stderr, line); }};
}

}  // namespace kavtra
