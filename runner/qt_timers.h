#pragma once

#include <QObject>

#include <map>

#include "engine/timers.h"

class QTimer;

namespace kavtra {

// The engine's delayed calls on the event loop of the thread that made this.
class QtTimers : public QObject, public Timers {
public:
    using QObject::QObject;

    void start(int id, std::chrono::milliseconds after, std::function<void()> due) override;
    void stop(int id) override;
    std::chrono::milliseconds now() const override;

private:
    struct Entry {
        QTimer* timer = nullptr;
        std::function<void()> due;
    };
    // One timer per id, made at its first start and kept: a timer is never
    // deleted from inside its own timeout.
    std::map<int, Entry> entries_;
};

}  // namespace kavtra
