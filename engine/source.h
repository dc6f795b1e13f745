#pragma once

namespace kavtra {

// Who asked for a change. Every request and every step carries it, so that
// whatever rules on changes or records them knows where each came from.
enum class Source {
    Window,       // a double click, a rename, "Выводы" in the window
    CommandLine,  // kavtra --set ... and the command socket
    Mqtt,
    Policy,  // the start and exit policies
    Timer,   // the return of a pulse
};

}  // namespace kavtra
