#include <cstdio>

#include "app/console.h"
#include "app/no_window.h"
#include "control/command_client.h"
#include "control/command_line.h"

// The program without a window, as `kavtra --no-window` hands itself over to
// it (the same process, so that a service manager's signals reach it).
int main(int argc, char** argv) {
    if (kavtra::parseCommandLine(kavtra::programArguments(argc, argv)).action !=
        kavtra::CommandLine::Action::NoWindow) {
        kavtra::printLine(stderr, "kavtra-no-window: запускайте программу так: kavtra --no-window");
        return kavtra::kExitBadUsage;
    }
    return kavtra::runWithoutWindow(argc, argv);
}
