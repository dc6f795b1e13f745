#include "automation/sequences.h"

#include <gtest/gtest.h>

#include <list>
#include <sstream>
#include <string>

#include "commands/parse.h"
#include "engine/log_line.h"
#include "persist/paths/files_dir.h"
#include "tests/support/core_on_board.h"
#include "tests/support/file_bytes.h"
#include "tests/support/timers_on_board.h"

namespace kavtra::test {
namespace {

const WallTime kStart = std::chrono::sys_days{std::chrono::year{2026} / 1 / 1};

// Word by word, each "WHAT:LATCHED": WHAT is "start", "pause" or "stop" (of
// the sequence S, from the command line), "+30s" (time goes on), or "@20s"
// (a new run on the same folder and board, as after a crash, the calendar
// that far from the first run's start, its start policy all off); LATCHED
// lists the outputs of 1 to 8 latched on after it ("1,2"; "-": none).
struct Case {
    const char* name;
    std::string rules;
    const char* script;
    const char* state;          // of S at the end: running, paused, stopped
    const char* log = nullptr;  // Kavtra.log's lines of S, without their time
};

std::string latched(const BoardOnPort& port) {
    std::string text;
    for (int output = 1; output <= 8; ++output)
        if (port.board.outputLevel(output) == 1) text += (text.empty() ? "" : ",") + std::to_string(output);
    return text.empty() ? "-" : text;
}

TEST(SequencesTest, StepsLatchAtTheirPlannedTimesOnTheBoardAndAcrossARestart) {
    const std::string threeSteps = "[Sequence S]\nSteps=set 1=on for 30s; set 1=off 2=on for 500ms; set 2=off\n";
    const std::string blink = "[Sequence S]\nSteps=set 1=on for 1s; set 1=off for 1s\n";
    const std::string twoZones = "[Scene Выкл]\nOff=1-8\n[Sequence S]\nSteps=set 1=on for 10s; set 2=on for 10s\n";
    const Case cases[] = {
        {"each step at its time, then the end", threeSteps, "start:1 +29999:1 +1:2 +499:2 +1:-", "stopped",
         "sequence:S запущена (команда)|sequence:S 1=on|sequence:S 2=on 1=off|sequence:S 2=off|"
         "sequence:S завершена|"},
        {"rounds as Repeat says", (blink + "Repeat=2\n"), "start:1 +1s:- +1s:1 +1s:- +1h:-", "stopped"},
        {"for ever", (blink + "Repeat=forever\n"), "start:1 +1s:- +1s:1 +1m:1 +1s:-", "running"},
        {"a pause keeps the step's time left", "[Sequence S]\nSteps=set 1=on for 10s; set 1=off 2=on for 10s\n",
         "start:1 +4s:1 pause:1 +1h:1 start:1 +5999:1 +1:2 +10s:2", "stopped"},
        {"stop carries out Finally", (twoZones + "Finally=scene Выкл\n"), "start:1 +10s:1,2 stop:- +1h:-", "stopped",
         "sequence:S запущена (команда)|sequence:S 1=on|sequence:S 2=on|sequence:S остановлена (команда)|"
         "sequence:S 1-2=off|"},
        {"so does the end", (twoZones + "Finally=scene Выкл\n"), "start:1 +20s:-", "stopped"},
        {"interlocks and limits hold on every step",
         "[Interlock Насосы]\nOutputs=1,2\n[Limits]\n3=1500ms\n"
         "[Sequence S]\nSteps=set 1=on 3=on for 1s; set 2=on for 1s; set 1-2=on for 1h\n",
         "start:1,3 +1s:2,3 +1s:1", "running"},
        {"steps of no time go with the next, and start other sequences",
         "[Sequence S]\nSteps=set 5=on; start B for 2s; set 5=off\n[Sequence B]\nSteps=set 6=on for 1s; set 6=off\n",
         "start:5,6 +1s:5 +1s:-", "stopped"},
        {"a restart resumes the step for its time left", threeSteps, "start:1 +10s:1 @20s:1 +9999:1 +1:2 +500:-",
         "stopped"},
        {"one past the step's time goes on from the right step", threeSteps, "start:1 +10s:1 @30200:2 +299:2 +1:-",
         "stopped"},
        {"one past the end finishes", (twoZones + "Finally=scene Выкл\n"), "start:1 @1h:-", "stopped"},
        {"a paused one stays paused", threeSteps, "start:1 +10s:1 pause:1 @1h:- start:1 +19999:1 +1:2", "running"},
        {"whole rounds passed while stopped", (blink + "Repeat=forever\n"), "start:1 +500:1 @1000001:1 +998:1 +1:-",
         "running"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        BoardOnPort port;
        writeBytes(rulesPath(dir.path.string()), rulesFileText(c.rules));
        std::list<TimersRun> runs;
        runs.emplace_back(dir.path.string(), port, kStart, kPolicyAllOff);
        std::istringstream script(c.script);
        for (std::string word; script >> word;) {
            SCOPED_TRACE(word);
            const std::string what = word.substr(0, word.find(':'));
            TimersRun& run = runs.back();
            const auto request = [&](Command command) {
                run.plant.core.execute({std::move(command), Source::CommandLine});
            };
            if (what[0] == '@')
                runs.emplace_back(dir.path.string(), port,
                                  kStart + std::chrono::milliseconds(*durationValue(what.substr(1))), kPolicyAllOff);
            else if (what[0] == '+')
                run.timers.advance(std::chrono::milliseconds(*durationValue(what.substr(1))));
            else if (what == "start")
                request(StartCommand{"S"});
            else if (what == "pause")
                request(PauseCommand{"S"});
            else
                request(StopCommand{"S"});
            EXPECT_EQ(latched(port), word.substr(word.find(':') + 1));
        }
        EXPECT_EQ(stateWord(runs.back().plant.sequences.status("S").state), c.state);
        if (!c.log) continue;
        std::string log;
        for (const LogLine& line : lastLogEntries(changeLogPath(dir.path.string()), 100))
            if (line.source.starts_with("sequence:"))
                log += line.source + " " + logText(line).substr(logText(line).rfind('\t') + 1) + "|";
        EXPECT_EQ(log, c.log);
    }
}

}  // namespace
}  // namespace kavtra::test
