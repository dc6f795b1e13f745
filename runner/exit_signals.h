#pragma once

#include <QObject>

#include <functional>

namespace kavtra {

// Turns the requests to end the program that come from outside it (SIGTERM,
// SIGINT and SIGHUP on POSIX; console control events and the end of the
// session on Windows) into one call of `onRequest` on the thread of the event
// loop, where the exit sequence may run. One object per process.
class ExitSignals : public QObject {
public:
    ExitSignals(std::function<void()> onRequest, QObject* parent = nullptr);
    ~ExitSignals() override;

private:
    std::function<void()> onRequest_;
};

}  // namespace kavtra
