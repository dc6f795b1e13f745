#include <QCoreApplication>
#include <QProcess>

#include "app/console.h"
#include "app/window_program.h"

namespace kavtra {

// Windows has no exec: the window's program is started on its own and this
// one ends.
int runWindowProgram(char**) {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/kavtra-window.exe");
    if (QProcess::startDetached(path, QCoreApplication::arguments().mid(1))) return 0;
    printLine(stderr, "kavtra: не удалось запустить " + path.toStdString());
    return 1;
}

}  // namespace kavtra
