#include <QCoreApplication>

#include "app/session_end.h"

namespace kavtra {

// Qt asks for the program's work when Windows asks whether the session may
// end (WM_QUERYENDSESSION), and another program may still refuse it then.
// It says the program is about to quit when the session ends
// (WM_ENDSESSION), and Windows ends the process soon after. The hidden window
// of ExitSignals hears the same message; whichever hears it first runs the
// sequence, which runs once.
void exitWithSession(OutputRunner& runner, QObject* context) {
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, context, [&runner] { runner.exitSequence(); });
}

}  // namespace kavtra
