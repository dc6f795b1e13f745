#pragma once

#include <vector>

#include "commands/command.h"
#include "engine/interlocks.h"

namespace kavtra {

// Commands that arrived together (while a step was being saved and
// transferred), as few steps as give the same outputs as carrying them out
// one by one, in order. Consecutive sets of outputs become one set, a later
// word for an output replacing an earlier one. A set starts a step of its
// own when joining would change what it does: a toggle of an output already
// in the step (it would read the state from before both), an output of an
// interlock the step already touches (the interlock would pick its keeper
// among both), or an output of a second interlock with a dead time (one step
// waits its longest dead time for all). Sets that name a group stay alone,
// so that they keep the group's name in the log and can be undone; every
// other command is a step of its own.
std::vector<Command> mergeIntoSteps(const std::vector<Command>& commands, const std::vector<Interlock>& interlocks);

}  // namespace kavtra
