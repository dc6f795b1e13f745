#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

#include "plant/plant.h"

class QTimer;

namespace kavtra {

// The plant's start and exit sequences on the event loop, with the refresh
// timer between them, shared by the window and the mode without a window.
class OutputRunner : public QObject {
public:
    // endProcess ends the process at once; in tests it only records that it
    // was asked.
    OutputRunner(Plant& plant, std::function<void()> endProcess);

    OutputEngine& engine() { return plant_.engine; }
    Sequences& sequences() { return plant_.sequences; }

    // The plant's start, then the refresh at the period it read (TimeUpdate;
    // 0 stops it).
    void startSequence();
    // The refresh stopped, the plant's exit, the end of the process. Runs
    // once: a second request (another signal, the close button behind it)
    // does nothing.
    void exitSequence();
    bool exiting() const { return plant_.exiting(); }

    // Started at 100 ms on construction; every tick reads its period anew.
    QTimer* Update_Tmr = nullptr;
    // The tick handler; tests call it instead of waiting.
    void Update_Tmr_Timer();

private:
    void setPeriod(std::int32_t milliseconds);

    Plant& plant_;
    std::function<void()> endProcess_;
};

}  // namespace kavtra
