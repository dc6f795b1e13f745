#pragma once

#include <algorithm>
#include <chrono>
#include <string>

#include "commands/command_core.h"
#include "commands/rule_book.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/file_bytes.h"
#include "tests/support/manual_timers.h"

namespace kavtra::test {

// A Rules.ini as the program writes it: UTF-8 with its mark, CRLF; the
// lines given with "\n".
inline std::string rulesFileText(const std::string& lines) {
    std::string text = "\xEF\xBB\xBF";
    for (char c : lines) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return text;
}

// The running copy's command core over the engine on the modelled board:
// its pulses and the interlocks' dead times on a clock the test moves, its
// rules in the scratch folder's Rules.ini.
struct CoreOnBoard : EngineOnBoard {
    // Started as the program starts: the limits follow Rules.ini, and what
    // the last run saved is taken up.
    CoreOnBoard() {
        rules.addListener([this] { safety.setLimits(rules.rules().limits); });
        safety.resume();
        pulses.resume();
    }
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
    OutputPulses pulses{engine, timers, timers};
    SafetyTimers safety{engine, timers, timers};
    RuleBook rules{rulesPath(dir.path.string()), engine, deadTimes};
    CommandCore core{engine, pulses, rules, &safety};
};

}  // namespace kavtra::test
