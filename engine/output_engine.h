#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/callbacks.h"
#include "engine/dead_time_gate.h"
#include "engine/engine_figures.h"
#include "engine/interlocks.h"
#include "engine/source.h"
#include "engine/step_outcome.h"
#include "engine/timers.h"
#include "outputs/out_state.h"
#include "outputs/transfer.h"
#include "persist/profile/cls_ini.h"
#include "port/lpt.h"

namespace kavtra {

// An output whose on/off a step changed, and its state after the step.
struct Switched {
    int output = 0;
    bool on = false;
    bool operator==(const Switched&) const = default;
};

// What one step changed, told to every listener after that step's save and
// transfer are done.
struct OutputChange {
    std::vector<int> states;  // outputs (1..300) whose state this step set
    std::vector<int> names;   // outputs renamed by this step
    Source source = Source::Window;
    std::vector<Switched> switched{};   // on/off changed, in output order
    std::vector<InterlockHold> held{};  // by interlocks, in this step
};

// The outputs' states and names and everything done to them. The window, the
// command line and network control all change outputs through it, so every
// change takes one path: the interlocks rule on it, states set, one save of
// Data.dat, one transfer, then every listener told. Runs on one thread.
class OutputEngine {
public:
    // `data` is the clsINI of Data.dat; `timers` time the interlocks' dead
    // times.
    OutputEngine(const clsINI& data, LPT& lpt, Timers& timers);

    // Pieces of the start and exit sequences.
    // kPolicyAllOn / kPolicyAllOff / kPolicyRemembered, then the states of
    // `scene` (the policy's scene, if any) over it, the interlocks holding;
    // tells listeners.
    void applyPolicy(std::int16_t policy, const Source& source, const std::vector<std::pair<int, bool>>& scene = {});
    // Names from Data.dat, then `beforeTransfer` (the start's own steps, made
    // with `settle`), then the first transfer.
    void LoadList(const std::function<void()>& beforeTransfer = {});
    // One grouped save of all 600 keys, names from the engine, and the save
    // hooks' keys.
    SaveOutcome SaveList();
    // A step of the start sequence, before its first transfer: the interlocks
    // rule on it, states set, one save, listeners told; the first transfer
    // then sends it, so the port never shows what it undoes.
    SaveOutcome settle(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source);
    // One transfer of OutState, with the inversion read anew; false when
    // none was made, no reading of the inversion having served yet.
    bool UpdateOuts();
    void Init_Outs();
    void releasePort();  // data lines to input (end of the exit sequence)
    // The five inputs' levels, from one read of the port's status register:
    // the port is the engine's, so read on its thread.
    InputLevels readInputs() { return lpt_.ReadInputs(); }
    // Why the last readInputs gave no levels (the port's driver refused the
    // status register), empty when it read them.
    std::string inputsFault() const { return lpt_.InputsFault(); }

    // Asked before every transfer which outputs are inverted, so that a
    // change of the setting reaches the next transfer whoever starts it.
    // While it gives nothing (no reading has served yet), nothing is
    // transferred: a guess could switch every load of the board on.
    using InversionReader = std::function<std::optional<InvertedOutputs>()>;
    void readInversionWith(InversionReader reader) { inversionReader_ = std::move(reader); }
    // What the last transfer inverted: the board's levels are the states
    // seen through it.
    const InvertedOutputs& inverted() const { return inverted_; }

    // Reads. Output numbers are 1..300; others throw std::out_of_range.
    bool isOn(int output) const;
    std::int16_t state(int output) const;
    const std::string& name(int output) const;
    const kavtra::OutState& states() const { return states_; }
    const clsINI& dataFile() const { return data_; }
    // Steps, failed saves, refused transfers, and how long steps' saves and
    // transfers took, since the engine was built.
    const EngineFigures& figures() const { return figures_; }

    // What a toggle makes of an output: off (1) turns on, any other code
    // turns off. The one meaning of a toggle, whoever asks for it.
    bool toggledOn(int output) const;

    // Changes. Each one: states set, one SaveList, one UpdateOuts, then every
    // listener told. An output number out of range throws before anything
    // changes; an empty `set` changes, saves and transfers nothing.
    // `whenLatched` is told once every output the change switches on is
    // latched: after the step, or after the step of its dead time.
    SaveOutcome toggle(int output, const Source& source);
    SaveOutcome set(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source,
                    WhenLatched whenLatched = {});  // true = on
    SaveOutcome setAll(bool on, const Source& source, WhenLatched whenLatched = {});
    // SaveList, no transfer. The name kept is the one Data.dat will give
    // back (characters its encoding lacks become '?', at most 511, ...).
    SaveOutcome rename(int output, const std::string& name, const Source& source);

    // From now on every change keeps to these. An output that must wait for
    // a dead time goes on in a step of its own.
    void setInterlocks(std::vector<Interlock> interlocks) { gate_.setInterlocks(std::move(interlocks)); }
    const std::vector<Interlock>& interlocks() const { return gate_.interlocks(); }

    // The last recall of a scene or a group, or the last "all on/off", taken
    // back in one step: each output it set that still has the state it was
    // given gets its state from before. Once only.
    bool canUndo() const { return !undo_.empty(); }
    SaveOutcome undo(WhenLatched whenLatched = {});

    // Keys a part keeps in Data.dat beside the outputs' (deadlines, pending
    // returns): called inside every save's write group, after the step's
    // states are set (`change` is that step; empty for a save of no step),
    // so the file never holds a step's states without them.
    using SaveHook = std::function<void(const OutputChange& change, const clsINI& data)>;
    using SaveHookId = Callbacks<SaveHook>::Id;
    SaveHookId addSaveHook(SaveHook hook) { return saveHooks_.add(std::move(hook)); }
    // For a part that goes away before the engine.
    void removeSaveHook(SaveHookId id) { saveHooks_.remove(id); }

    using Listener = std::function<void(const OutputChange&)>;
    using ListenerId = Callbacks<Listener>::Id;
    ListenerId addListener(Listener listener) { return listeners_.add(std::move(listener)); }
    // For a listener that goes away before the engine.
    void removeListener(ListenerId id) { listeners_.remove(id); }

private:
    static void check(int output);
    // A change of states as the interlocks allow it: saved, transferred,
    // told. `undoable` keeps what it replaces for undo().
    SaveOutcome step(const std::vector<std::pair<int, std::int16_t>>& requested, const Source& source, bool undoable,
                     bool transfer = true, WhenLatched whenLatched = {}, bool cancelledSome = false);
    SaveOutcome save(const OutputChange& change);
    std::vector<Switched> applyCodes(const std::vector<std::pair<int, std::int16_t>>& codes,
                                     const std::vector<InterlockHold>& held);
    SaveOutcome finishStep(const OutputChange& change, bool transfer);
    void finish(const OutputChange& change);

    const clsINI& data_;
    LPT& lpt_;
    kavtra::OutState states_;
    InversionReader inversionReader_;
    InvertedOutputs inverted_;
    std::array<std::string, kavtra::OutState::kOutputs + 1> names_;
    DeadTimeGate gate_;
    // Per output a step set: the code before it and the code it gave.
    std::vector<std::pair<int, std::pair<std::int16_t, std::int16_t>>> undo_;
    Callbacks<Listener> listeners_;
    Callbacks<SaveHook> saveHooks_;
    EngineFigures figures_;
};

}  // namespace kavtra
