#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "engine/output_engine.h"
#include "persist/files/settings.h"
#include "tests/support/manual_timers.h"
#include "tests/support/port_log.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {

// The text of a Data.dat for given state codes (every other output on, 0)
// and names (every other the default, "Вывод N"), in UTF-8 with its
// byte-order mark, so that tests can write any name.
inline std::string dataFileText(const std::map<int, int>& codes, const std::map<int, std::string>& names = {}) {
    std::string text = "\xEF\xBB\xBF";
    for (int n = 1; n <= OutState::kOutputs; ++n) {
        const auto code = codes.find(n);
        const auto name = names.find(n);
        text += "[Devais_" + std::to_string(n) +
                "]\r\nValue=" + std::to_string(code != codes.end() ? code->second : 0) +
                "\r\nName=" + (name != names.end() ? name->second : "Вывод " + std::to_string(n)) + "\r\n";
    }
    return text;
}

// A scratch folder and the modelled board, with what a test asks of the
// latches; whose engine drives the board is for the rig that builds it.
struct BoardRig {
    virtual ~BoardRig() = default;
    virtual OutputEngine& boardEngine() = 0;

    // The outputs take the states of a Data.dat with these codes, as a start
    // with the remembered states would give them.
    void startWith(const std::map<int, int>& codes) {
        std::ofstream(dataPath(dir.path.string()), std::ios::binary) << dataFileText(codes);
        boardEngine().applyPolicy(kPolicyRemembered, Source::StartPolicy);
        boardEngine().UpdateOuts();
    }
    // The state code Data.dat holds for an output now.
    std::string saved(int output) const {
        return clsINI(dataPath(dir.path.string()))
            .GetPrivateINIString("Devais_" + std::to_string(output), "Value", "(none)");
    }
    std::uint64_t transfers() const { return port.board.latchPulses(); }
    // Output numbers latched on, of those given.
    std::vector<int> latchedOnOf(const std::vector<int>& outputs) const {
        std::vector<int> on;
        for (int output : outputs)
            if (latchedOn(output)) on.push_back(output);
        return on;
    }
    // From now on every latch is checked against the interlocks: how many
    // latches were seen, how many had two outputs of one on, and, by
    // `clock`, how many latched an output on sooner than its dead time after
    // the latch that switched another of its interlock off.
    void watchLatches(const std::vector<Interlock>& interlocks, const Timers* clock = nullptr) {
        std::array<bool, OutState::kOutputs + 1> was{};
        for (int output = 1; output <= OutState::kOutputs; ++output) was[output] = latchedOn(output);
        port.tap.addListener([this, interlocks, clock, was, offAt = std::map<int, std::chrono::milliseconds>(),
                              seen = transfers()](const PortAccess&) mutable {
            if (transfers() == seen) return;
            seen = transfers();
            ++latchesSeen;
            const bool forgotten = std::exchange(latchesForgotten, false);
            if (forgotten) offAt.clear();
            const auto now = clock ? clock->now() : std::chrono::milliseconds(0);
            for (const Interlock& interlock : interlocks) {
                if (latchedOnOf(interlock.outputs).size() > 1) ++latchesBroken;
                for (int output : interlock.outputs) {
                    if (was[output] || !latchedOn(output) || !clock || forgotten) continue;
                    for (int other : interlock.outputs)
                        if (other != output && interlock.deadTime.count() > 0 &&
                            (was[other] || (offAt.count(other) && now - offAt[other] < interlock.deadTime)))
                            ++latchesEarly;
                }
            }
            for (int output = 1; output <= OutState::kOutputs; ++output) {
                if (was[output] && !latchedOn(output)) offAt[output] = now;
                was[output] = latchedOn(output);
            }
        });
    }
    std::uint64_t latchesSeen = 0;
    std::uint64_t latchesBroken = 0;
    std::uint64_t latchesEarly = 0;
    // The next latch starts anew, as a start does: what the board held before is not known.
    bool latchesForgotten = false;
    bool latchedOn(int output) const { return port.board.outputLevel(output) == 1; }

    ScratchDir dir;
    BoardOnPort port;
};

// The engine alone on the modelled board, on a scratch folder of its own,
// loaded as at start.
struct EngineOnBoard : BoardRig {
    EngineOnBoard() { engine.LoadList(); }
    OutputEngine& boardEngine() override { return engine; }

    const clsINI data{dataPath(dir.path.string())};
    ManualTimers timers;
    OutputEngine engine{data, port.lpt, timers};
};

}  // namespace kavtra::test
