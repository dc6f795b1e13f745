#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "engine/callbacks.h"
#include "engine/output_engine.h"
#include "engine/timers.h"
#include "port/lpt.h"

namespace kavtra {

// How one input is read: Inverted, and how long a new level must hold
// before it counts.
struct InputTuning {
    bool inverted = false;
    std::chrono::milliseconds debounce{20};
    bool operator==(const InputTuning&) const = default;
};

// An input whose state changed: on as wired (Inverted applied), after debounce.
struct InputEdge {
    int input = 0;  // 1..5
    bool on = false;
    bool operator==(const InputEdge&) const = default;
};

// The inputs' states, polled from the port while anyone wants them and not
// at all otherwise: an idle program never wakes for them. Each poll is one
// read of the status register on the engine's thread (the port is the
// engine's); a level counts once it has held, poll after poll, for the
// input's debounce time, and each change is told to the listeners from the
// poll, where a listener may start steps of the engine.
class InputWatch {
public:
    // Takes its timer id through OwnTimers.
    InputWatch(OutputEngine& engine, Timers& timers);
    ~InputWatch();
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    // Per input (index 0 = input 1) and the poll's period; from Rules.ini at
    // each reading. A changed Inverted changes a watched input's state, and
    // is told as an edge like any other change.
    void configure(const std::array<InputTuning, kInputs>& tuning, std::chrono::milliseconds period);
    // Who wants which inputs watched ("rules", "mqtt"); polling runs while any
    // input is wanted by anyone, and stops (no timer at all) when none is. A
    // newly wanted input's state is read at once.
    void want(const std::string& who, const std::array<bool, kInputs>& inputs);
    bool watching() const { return polling_; }
    // The debounced state as wired; nothing while that input is not watched
    // or the port cannot read its inputs. Input 1..5; others throw
    // std::out_of_range.
    std::optional<bool> isOn(int input) const;
    // Why the port cannot read its inputs (said once on standard error when
    // found), empty while it can.
    const std::string& fault() const { return fault_; }

    using Listener = std::function<void(const InputEdge&)>;
    using ListenerId = Callbacks<Listener>::Id;
    ListenerId addListener(Listener listener) { return listeners_.add(std::move(listener)); }
    void removeListener(ListenerId id) { listeners_.remove(id); }
    // Told when the inputs watched change (a want, a fault), for a view of
    // which are watched.
    using WatchListener = std::function<void()>;
    ListenerId addWatchListener(WatchListener listener) { return watchListeners_.add(std::move(listener)); }
    void removeWatchListener(ListenerId id) { watchListeners_.remove(id); }

private:
    struct Line {
        bool watched = false;
        bool level = false;  // the debounced level on the pin
        bool seen = false;   // the level the last poll saw
        // Polls since the first that saw it: a debounce is counted in whole
        // periods, since a timer's tick may come a little early or late.
        int polls = 0;
    };

    void poll();
    // Reads the port; false (and the fault said once) when it cannot.
    bool read(InputLevels& levels);
    void startOrStop();
    bool on(std::size_t index) const { return lines_[index].level != tuning_[index].inverted; }

    OutputEngine& engine_;
    OwnTimers timers_;
    std::array<InputTuning, kInputs> tuning_{};
    std::chrono::milliseconds period_{10};
    std::map<std::string, std::array<bool, kInputs>> wanted_;
    std::array<Line, kInputs> lines_{};
    bool polling_ = false;
    std::string fault_;
    Callbacks<Listener> listeners_;
    Callbacks<WatchListener> watchListeners_;
};

}  // namespace kavtra
