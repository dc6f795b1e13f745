#include <windows.h>

#include "app/console.h"

namespace kavtra {

// The console's code page is the system's ANSI one (1251 on Russian
// Windows) unless a program asks otherwise.
void useUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace kavtra
