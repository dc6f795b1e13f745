#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "outputs/out_state.h"
#include "persist/profile/cls_ini.h"
#include "port/lpt.h"

namespace kavtra {

// What one step changed, told to every listener after that step's save and
// transfer are done.
struct OutputChange {
    std::vector<int> states;  // outputs (1..300) whose state this step set
    std::vector<int> names;   // outputs renamed by this step
};

// The outputs' states and names and everything done to them. The window, the
// command line and network control all change outputs through it, so every
// change takes one path: states set, one save of Data.dat, one transfer, then
// every listener told. Runs on one thread.
class OutputEngine {
public:
    // `data` is a clsINI pointed at Data.dat once, by its owner.
    OutputEngine(clsINI& data, LPT& lpt);

    // Pieces of the start and exit sequences.
    void applyPolicy(std::int16_t policy);  // kPolicyAllOn / kPolicyAllOff / kPolicyRemembered; tells listeners
    void LoadList();                        // names from Data.dat, then the first transfer
    void SaveList();                        // one grouped save of all 600 keys, names from the engine
    void UpdateOuts();                      // one transfer of OutState
    void Init_Outs();
    void releasePort();  // data lines to input (end of the exit sequence)

    // Reads. Output numbers are 1..300; others throw std::out_of_range.
    bool isOn(int output) const;
    std::int16_t state(int output) const;
    const std::string& name(int output) const;
    const kavtra::OutState& states() const { return OutState; }

    // Changes. Each one: states set, one SaveList, one UpdateOuts, then every
    // listener told. An output number out of range throws before anything
    // changes; an empty `set` changes, saves and transfers nothing.
    void toggle(int output);                                       // off (1) -> on, anything else -> off
    void set(const std::vector<std::pair<int, bool>>& outputsOn);  // several at once, true = on
    void setAll(bool on);
    // SaveList, no transfer. The name kept is the one Data.dat will give
    // back (characters its encoding lacks become '?', at most 511, ...).
    void rename(int output, const std::string& name);

    using Listener = std::function<void(const OutputChange&)>;
    using ListenerId = std::size_t;
    ListenerId addListener(Listener listener);
    // For a listener that goes away before the engine.
    void removeListener(ListenerId id);

private:
    static void check(int output);
    void finish(const OutputChange& change);

    clsINI& data_;
    LPT& lpt_;
    kavtra::OutState OutState;
    std::array<std::string, kavtra::OutState::kOutputs + 1> names_;
    std::vector<std::pair<ListenerId, Listener>> listeners_;
    ListenerId nextListener_ = 0;
};

}  // namespace kavtra
