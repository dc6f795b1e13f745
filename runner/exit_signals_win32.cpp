#include "runner/exit_signals.h"

#include <windows.h>

#include <QMetaObject>

namespace kavtra {
namespace {

ExitSignals* receiver = nullptr;
std::function<void()>* request = nullptr;

// Runs on a thread of its own. The exit sequence belongs to the event loop's
// thread; this thread hands it over and then waits, since returning from a
// close, logoff or shutdown event lets the system end the process at once.
BOOL WINAPI onConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(
        receiver, [] { (*request)(); }, Qt::QueuedConnection);
    ::Sleep(INFINITE);
    return TRUE;
}

}  // namespace

ExitSignals::ExitSignals(std::function<void()> onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)) {
    receiver = this;
    request = &onRequest_;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

ExitSignals::~ExitSignals() {
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    receiver = nullptr;
    request = nullptr;
}

}  // namespace kavtra
