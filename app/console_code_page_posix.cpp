#include "app/console.h"

namespace kavtra {

// A terminal takes the bytes as they are.
void useUtf8Console() {}

}  // namespace kavtra
