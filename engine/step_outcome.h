#pragma once

#include <functional>
#include <string>

namespace kavtra {

// Whether a step's save reached Data.dat. The step's transfer is made
// either way: the load follows the request even when the file cannot.
struct SaveOutcome {
    bool saved = true;
    std::string reason;  // why not, as the profile layer reported it
};

// How a step's outputs that waited for an interlock's dead time came out:
// latched by a step of their own (whose save it gives), or not, because a
// later request touching the interlock took their place first. A step
// without such outputs comes out at once.
struct Latched {
    bool cancelled = false;
    SaveOutcome saved;
};
using WhenLatched = std::function<void(const Latched&)>;

}  // namespace kavtra
