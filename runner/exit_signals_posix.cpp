#include "runner/exit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <stdexcept>

namespace kavtra {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The handler may only do what is safe in a signal handler: it writes one
// byte into a pipe whose other end the event loop watches.
int wakeWriteEnd = -1;
int wakeReadEnd = -1;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(wakeWriteEnd, &byte, 1);
    errno = saved;
}

}  // namespace

ExitSignals::ExitSignals(std::function<void()> onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("exit signals: no pipe");
    wakeReadEnd = fds[0];
    wakeWriteEnd = fds[1];
    auto* notifier = new QSocketNotifier(wakeReadEnd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(wakeReadEnd, bytes, sizeof bytes) > 0) {
        }
        onRequest_();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

ExitSignals::~ExitSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
    qDeleteAll(findChildren<QSocketNotifier*>());
    ::close(wakeReadEnd);
    ::close(wakeWriteEnd);
    wakeReadEnd = wakeWriteEnd = -1;
}

}  // namespace kavtra
