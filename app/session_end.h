#pragma once

#include <QObject>

#include "runner/output_runner.h"

namespace kavtra {

// Runs the exit sequence when the desktop session ends (a logout or a
// shutdown), without the exit question, which nobody would be there to
// answer; at the moment the session really ends on each system.
void exitWithSession(OutputRunner& runner, QObject* context);

}  // namespace kavtra
