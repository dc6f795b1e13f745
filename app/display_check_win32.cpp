#include "app/display_check.h"

namespace kavtra {

// Windows always has a desktop for a window.
void endWithoutDisplay() {}

}  // namespace kavtra
