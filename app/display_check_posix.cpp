#include <cstdio>
#include <cstdlib>

#include "app/console.h"
#include "app/display_check.h"

namespace kavtra {
namespace {

bool given(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

// A platform named outright (offscreen, vnc, eglfs) needs no display server.
void endWithoutDisplay() {
    if (given("DISPLAY") || given("WAYLAND_DISPLAY") || given("QT_QPA_PLATFORM")) return;
    printLine(stderr,
              "kavtra: окну негде открыться: нет дисплея (не заданы DISPLAY и WAYLAND_DISPLAY); запустите "
              "программу в графическом сеансе или без окна: kavtra --no-window");
    std::exit(1);
}

}  // namespace kavtra
