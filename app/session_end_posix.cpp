#include <QGuiApplication>
#include <QSessionManager>

#include "app/session_end.h"

namespace kavtra {

// Qt tells of a logout only through the session manager's request to save
// the program's work.
void exitWithSession(OutputRunner& runner, QObject* context) {
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, context,
                     [&runner](QSessionManager&) { runner.exitSequence(); });
}

}  // namespace kavtra
