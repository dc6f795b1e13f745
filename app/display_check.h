#pragma once

namespace kavtra {

// Ends the window's program before Qt is started when there is no display
// for its window: one line on standard error that says what is missing and
// what to do instead, and status 1, as any start that cannot be made. Qt's
// own failure lists its platform plugins and aborts.
void endWithoutDisplay();

}  // namespace kavtra
