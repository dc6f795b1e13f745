#pragma once

namespace kavtra {

// The program without a window: the single-copy check, the start sequence,
// the command socket and MQTT, until a signal runs the exit sequence. Builds
// its own application object (Qt Core only) from argc and argv.
int runWithoutWindow(int argc, char** argv);

}  // namespace kavtra
