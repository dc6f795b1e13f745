#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/output_engine.h"
#include "persist/files/settings.h"

class QTimer;

namespace kavtra {

// The start sequence, the transfer timer and the exit sequence, shared by the
// window and the mode without a window.
class OutputRunner : public QObject {
public:
    // endProcess ends the process at once; in tests it only records that it
    // was asked.
    // The states of a scene by its name, or nothing when there is none of
    // that name: for the scenes the policies may name.
    using SceneStates = std::function<std::optional<std::vector<std::pair<int, bool>>>(const std::string& name)>;
    OutputRunner(Settings& settings, OutputEngine& engine, std::function<void()> endProcess,
                 SceneStates sceneStates = {});

    OutputEngine& engine() { return engine_; }

    // Period from TimeUpdate, the start policy, LoadList (its names, the
    // start steps, the first transfer), Init_Outs, and with the refresh
    // stopped one more transfer; all reading one snapshot of each file.
    void startSequence();
    // The exit policy, the last transfer, the data lines released, the end of
    // the process, reading one snapshot of each file. Runs once: a second request (another signal, the close
    // button behind it) does nothing.
    void exitSequence();
    bool exiting() const { return exiting_; }
    // A step the start sequence takes last, after the policy's states
    // reached the port: what keeps time from then on starts here.
    void addStartedStep(std::function<void()> step);
    // A step the exit sequence takes first, before its policy: whatever is
    // still to come back to a resting state (a pulse) comes back there, so
    // that no passing state is kept as the one to remember.
    void addExitStep(std::function<void()> step);
    // A step the start sequence takes after its policy and the names, before
    // its first transfer: whatever came due while the program was not running
    // (a limit, a pulse's return) is done before the port shows anything.
    void addStartStep(std::function<void()> step);
    // A step the exit sequence takes last, after the data lines are released
    // and just before the process ends: what must still reach the outside
    // (MQTT's "offline") or be tidied (the command socket) happens here.
    void addFinalStep(std::function<void()> step);

    // Started at 100 ms on construction; every tick reads its period anew.
    QTimer* Update_Tmr = nullptr;
    // The tick handler; tests call it instead of waiting.
    void Update_Tmr_Timer();

private:
    void setPeriod(std::int32_t milliseconds);
    void applyPolicy(std::int16_t policy, const std::string& scene, const Source& source);

    Settings& settings_;
    OutputEngine& engine_;
    std::function<void()> endProcess_;
    SceneStates sceneStates_;
    bool exiting_ = false;
    std::vector<std::function<void()>> startSteps_;
    std::vector<std::function<void()>> startedSteps_;
    std::vector<std::function<void()>> exitSteps_;
    std::vector<std::function<void()>> finalSteps_;
};

}  // namespace kavtra
