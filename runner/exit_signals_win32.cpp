#include "runner/exit_signals.h"

#include <windows.h>

#include <QMetaObject>

namespace kavtra {
namespace {

ExitSignals* receiver = nullptr;
std::function<void()>* request = nullptr;
HWND sessionWindow = nullptr;
constexpr wchar_t kSessionWindowClass[] = L"KavtraSessionEnd";

// Runs on a thread of its own. The exit sequence belongs to the event loop's
// thread; this thread hands it over and then waits, since returning from a
// close, logoff or shutdown event lets the system end the process at once.
BOOL WINAPI onConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(
        receiver, [] { (*request)(); }, Qt::QueuedConnection);
    ::Sleep(INFINITE);
    return TRUE;
}

// A process that has loaded user32 (Qt has) gets no console event at logoff
// or shutdown: the session's end reaches it through its top-level windows
// only, hidden ones included. The question may still be cancelled by another
// program; the session ends only with WM_ENDSESSION, and the process is ended
// soon after this returns, so the exit sequence runs here, on the event
// loop's thread that owns the window. WM_CLOSE is how taskkill without /F
// asks a program to end, as SIGTERM does on Linux; a program without a
// window or console has no other way to be asked.
LRESULT CALLBACK onSessionMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
        if (wParam) (*request)();
        return 0;
    case WM_CLOSE: (*request)(); return 0;
    default: return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND createSessionWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = onSessionMessage;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kSessionWindowClass;
    ::RegisterClassW(&windowClass);
    // Never shown, and not a message-only window: those are not told.
    return ::CreateWindowExW(0, kSessionWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance,
                             nullptr);
}

}  // namespace

ExitSignals::ExitSignals(std::function<void()> onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)) {
    receiver = this;
    request = &onRequest_;
    // A process started in a new process group ignores Ctrl+C until it asks
    // otherwise; on Linux the SIGINT handler is installed whatever the
    // parent ignored, and so it is here.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    sessionWindow = createSessionWindow();
}

ExitSignals::~ExitSignals() {
    ::DestroyWindow(sessionWindow);
    ::UnregisterClassW(kSessionWindowClass, ::GetModuleHandleW(nullptr));
    sessionWindow = nullptr;
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    receiver = nullptr;
    request = nullptr;
}

}  // namespace kavtra
