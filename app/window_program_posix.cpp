#include <unistd.h>

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <string>

#include "app/console.h"
#include "app/window_program.h"

namespace kavtra {

int runWindowProgram(char** argv) {
    const std::string path = QCoreApplication::applicationDirPath().toStdString() + "/kavtra-window";
    argv[0] = const_cast<char*>(path.c_str());
    ::execv(path.c_str(), argv);
    printLine(stderr, "kavtra: не удалось запустить " + path + ": " + std::strerror(errno));
    return 1;
}

}  // namespace kavtra
