#include "automation/rule_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/request_text.h"
#include "engine/log_line.h"
#include "persist/paths/files_dir.h"
#include "rules/rule_reader.h"
#include "tests/support/core_on_board.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;

struct RuleRunnerTest : ::testing::Test, CoreOnBoard {
    // One line of what happens: "in2+" / "in2-" an input's pin high or low
    // on the port, for as long as the poll and the debounce take; "wait 3s";
    // or a request of the command language from the command line.
    void happen(std::string_view line) {
        if (line.starts_with("in")) {
            InputLevels levels = port.sim.inputs();
            levels.at(static_cast<std::size_t>(line[2] - '1')) = line[3] == '+';
            port.sim.setInputs(levels);
            advance(40ms);
        } else if (line.starts_with("wait ")) {
            advance(std::chrono::milliseconds(*durationValue(line.substr(5))));
        } else {
            const Parsed<Command> command = parseRequest(line);
            ASSERT_TRUE(command) << line;
            run(*command.value);
        }
    }
    // The sources and texts of the log's lines written by rules.
    std::vector<std::string> ruleLines() const {
        std::vector<std::string> lines;
        for (const LogLine& line : lastLogEntries(changeLogPath(dir.path.string()), 100))
            if (line.source.starts_with("rule:")) lines.push_back(line.source + " " + line.whatText());
        return lines;
    }
};

TEST_F(RuleRunnerTest, TriggersAndConditionsLatchTheirRulesStepsLoggedAsTheRule) {
    const std::string base =
        "[Input 2]\nName=Кнопка\n[Scene Ночь]\nOn=9\nOff=1\n[Group Двор]\nOutputs=5-6\n"
        "[Interlock Мотор]\nOutputs=3,4\n";
    const struct {
        const char* name;
        std::string rules;
        std::vector<std::string_view> happens;
        std::vector<int> latched;  // of outputs 1 to 10
        std::uint64_t transfers;   // those the rules made
        std::vector<std::string> log;
    } cases[] = {
        {"an input's edge, by the input's name; its other edge does nothing",
         "[Rule Свет]\nWhen=input Кнопка on\nDo=set 7=on\n",
         {"in2+", "in2-"},
         {7},
         1,
         {"rule:Свет сработало: вход 2 вкл.", "rule:Свет вкл. 7"}},
        {"a press held: not before its time, once per press, and not for a shorter one",
         "[Rule Долго]\nWhen=input 1 held 3s\nDo=toggle 8\n",
         {"in1+", "wait 2900ms", "in1-", "in1+", "wait 3s", "wait 10s", "in1-"},
         {8},
         1,
         {"rule:Долго сработало: вход 1 удержан 3000 мс", "rule:Долго вкл. 8"}},
        {"requests of one rule are one step: a scene, a group and an output",
         "[Rule Всё]\nWhen=input 1 change\nDo=set 1=on; scene Ночь; set @Двор=on 7=on\n",
         {"in1+"},
         {5, 6, 7, 9},
         1,
         {"rule:Всё сработало: вход 1 вкл.", "rule:Всё вкл. 5-7,9"}},
        {"rules set off by rules' steps; a scene recalled sets off its rule, not one a rule recalls",
         "[Rule А]\nWhen=output 1 on\nDo=set 2=on\n[Rule Б]\nWhen=output 2 on\nDo=scene Ночь\n"
         "[Rule В]\nWhen=scene Ночь\nDo=toggle 10\n",
         {"set 1=on", "set 9=off", "scene Ночь"},
         {2, 9, 10},
         3,
         {"rule:А сработало: вывод 1 вкл.", "rule:А вкл. 2", "rule:Б сработало: вывод 2 вкл.", "rule:Б вкл. 9; выкл. 1",
          "rule:В сработало: сцена «Ночь»", "rule:В вкл. 10"}},
        {"a chain stops at the depth Rules.ini allows, and says so",
         "[Rules]\nDepth=1\n[Rule А]\nWhen=output 1 on\nDo=set 2=on\n[Rule Б]\nWhen=output 2 on\nDo=set 3=on\n",
         {"set 1=on"},
         {1, 2},
         1,
         {"rule:А сработало: вывод 1 вкл.", "rule:А вкл. 2",
          "rule:Б не выполнено: цепочка правил, сработавших одно от другого, длиннее 1 (Depth в [Rules] файла "
          "Rules.ini)"}},
        {"conditions on outputs, inputs, days and windows of time (the calendar: Thursday 00:00)",
         "[Rule Да]\nWhen=input 1 on\nIf=output 5 on; days Thu\nDo=set 7=on\n"
         "[Rule Нет]\nWhen=input 1 on\nIf=input 2 on\nDo=set 8=on\n"
         "[Rule Днём]\nWhen=input 1 on\nIf=time 08:00-20:00\nDo=set 10=on\n"
         "[Rule Ночью]\nWhen=input 1 on\nIf=time 22:00-06:00; days Wed\nDo=set 9=on\n",
         {"set 5=on", "in1+"},
         {5, 7, 9},
         2,
         {"rule:Да сработало: вход 1 вкл.", "rule:Да вкл. 7", "rule:Ночью сработало: вход 1 вкл.",
          "rule:Ночью вкл. 9"}},
        {"an interlock holds on a rule's step; a rule switched off acts no more",
         "[Rule Оба]\nWhen=input 1 on\nDo=set 3=on 4=on\n[Rule Выкл]\nWhen=input 1 on\nDo=set 10=on\nEnabled=0\n",
         {"in1+"},
         {3},
         1,
         {"rule:Оба сработало: вход 1 вкл.", "rule:Оба вкл. 3"}},
        {"a rule switched on from the command line is kept and acts",
         "[Rule Потом]\nWhen=input 1 on\nDo=set 10=on\nEnabled=0\n",
         {"rule Потом=on", "in1+"},
         {10},
         1,
         {"rule:Потом сработало: вход 1 вкл.", "rule:Потом вкл. 10"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        port.sim.setInputs({});
        advance(40ms);
        run(AllCommand{false});
        std::filesystem::remove(changeLogPath(dir.path.string()));
        useRules(base + c.rules);
        ASSERT_TRUE(rules.problems().empty()) << problemText(rules.problems().front());
        const std::uint64_t before = transfers();
        for (std::string_view line : c.happens) happen(line);
        EXPECT_EQ(latchedOnOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), c.latched);
        const std::uint64_t byCommands = std::count_if(c.happens.begin(), c.happens.end(), [](std::string_view l) {
            return l.starts_with("set") || l.starts_with("scene");
        });
        EXPECT_EQ(transfers() - before - byCommands, c.transfers);
        EXPECT_EQ(ruleLines(), c.log);
        plant.ruleRunner.stop();
        plant.ruleRunner.start();
    }
}

}  // namespace
}  // namespace kavtra::test
