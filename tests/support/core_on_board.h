#pragma once

#include <algorithm>
#include <bitset>
#include <chrono>
#include <string>

#include "plant/plant.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/file_bytes.h"
#include "tests/support/manual_timers.h"
#include "tests/support/zone_clock.h"

namespace kavtra::test {

// A Rules.ini as the program writes it: UTF-8 with its mark, CRLF; the
// lines given with "\n".
inline std::string rulesFileText(const std::string& lines) {
    std::string text = "\xEF\xBB\xBF";
    for (char c : lines) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return text;
}

// The program's plant on the modelled board, started as the program starts
// it: its pulses, limits and calendar on a clock the test moves, the
// interlocks' dead times on another, its files in the scratch folder.
struct CoreOnBoard : BoardRig {
    CoreOnBoard() { plant.start(); }
    // Started with a config.ini of these lines, the levels of every latch kept (bit n - 1: output n high).
    explicit CoreOnBoard(const std::string& configLines) {
        writeConfig(configLines);
        port.tap.addListener([this, seen = transfers()](const PortAccess&) mutable {
            if (transfers() == std::exchange(seen, transfers())) return;
            auto& levels = latchLevels.emplace_back();
            for (int n = 1; n <= board::kOutputs; ++n) levels[static_cast<std::size_t>(n - 1)] = latchedOn(n);
        });
        plant.start();
    }
    void writeConfig(const std::string& lines) { writeBytes(configPath(dir.path.string()), rulesFileText(lines)); }
    std::vector<std::bitset<board::kOutputs>> latchLevels;
    OutputEngine& boardEngine() override { return engine; }
    // Rules.ini with these lines, read as a start or --reload reads it.
    void useRules(const std::string& lines) {
        writeBytes(rules.path(), rulesFileText(lines));
        rules.reload();
    }
    Reply run(const Command& command, const Source& source = Source::CommandLine) {
        return core.execute({command, source});
    }

    // Both clocks on together: each stops at every call due on the other,
    // so that what one's call starts on the other counts from that moment.
    void advance(std::chrono::milliseconds by) {
        const std::chrono::milliseconds end = timers.now() + by;
        for (;;) {
            std::chrono::milliseconds to = end;
            for (const ManualTimers* clock : {&timers, &deadTimes})
                if (const auto due = clock->nextDue()) to = std::clamp(*due, clock->now(), to);
            for (ManualTimers* clock : {&timers, &deadTimes})
                clock->advance(std::max(to - clock->now(), std::chrono::milliseconds(0)));
            if (to == end) return;
        }
    }

    ManualTimers timers;
    ManualTimers deadTimes;
    FixedZone zone{std::chrono::seconds(0)};
    Plant plant{port.lpt, dir.path.string(), {timers, deadTimes, timers, timers, zone}};
    OutputEngine& engine = plant.engine;
    const clsINI& data = plant.data;
    OutputPulses& pulses = plant.pulses;
    SafetyTimers& safety = plant.safety;
    RuleBook& rules = plant.rules;
    CommandCore& core = plant.core;
};

}  // namespace kavtra::test
