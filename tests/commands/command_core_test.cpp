#include "commands/command_core.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands/output_choice.h"
#include "commands/request_text.h"
#include "tests/support/contains.h"
#include "tests/support/core_on_board.h"

namespace kavtra {
namespace {

using namespace std::chrono_literals;

struct CountingWindow : WindowShower {
    void showWindow() override { ++shown; }
    int shown = 0;
};

class CommandCoreTest : public ::testing::Test, protected test::CoreOnBoard {
protected:
    Reply run(const Command& command) { return core.execute({command, Source::CommandLine}, &window); }
    std::string savedValue(int output) const { return "Value=" + saved(output); }

    CountingWindow window;
};

TEST_F(CommandCoreTest, GetGivesOneLinePerOutputAskedForOrAll300) {
    engine.set({{2, false}}, Source::Window);
    engine.rename(2, "Насос\tполива", Source::Window);
    EXPECT_EQ(run(GetCommand{{2, 1}}).lines, (std::vector<std::string>{"2\toff\tНасос\tполива", "1\ton\tВывод 1"}));
    const Reply all = run(GetCommand{});
    ASSERT_EQ(all.lines.size(), 300u);
    EXPECT_EQ(all.lines.back(), "300\ton\tВывод 300");
}

TEST_F(CommandCoreTest, GetAddsTheTimeLeftOnlyWhereALimitRuns) {
    useRules("[Limits]\n5=20m\n6=90s\n");  // 5 is on already: its time counts from now
    engine.set({{6, false}}, Source::Window);
    advance(2min + 500ms);
    EXPECT_EQ(run(GetCommand{{5, 6, 7}}).lines,
              (std::vector<std::string>{"5\ton\tВывод 5\t1080s", "6\toff\tВывод 6", "7\ton\tВывод 7"}));
}

// The inputs read the status register's pins as [Input N] wires them: Busy
// (input 2, pin 11) is inverted by the port, and Inverted=1 by the user.
// A section at fault is named and its input read as it is; a Period at
// fault leaves the default.
TEST_F(CommandCoreTest, GetInputsReadsThePinsAsRulesIniWiresThem) {
    useRules(
        "[Input 1]\nName=Кнопка\nInverted=1\n[Input 2]\nName=Поплавок\n[Input 02]\nName=Ещё\n[Input 6]\n"
        "[Input 4]\nInverted=да\n[Input 3]\nDebounce=10s1ms\n[Input 5]\nDebounce=0\n[Inputs]\nPeriod=1001\n");
    std::vector<std::string> problems;
    for (const RuleProblem& problem : rules.problems()) problems.push_back(problemText(problem));
    EXPECT_EQ(problems,
              (std::vector<std::string>{
                  "Rules.ini, [Input 02]: вход 2 уже описан", "Rules.ini, [Input 6]: нужен номер входа от 1 до 5",
                  "Rules.ini, [Input 4], Inverted: «да»: нужно 0 или 1",
                  "Rules.ini, [Input 3], Debounce: «10s1ms»: нужно время от 0 до 10 секунд, например 20, "
                  "50ms, 1s",
                  "Rules.ini, [Inputs], Period: «1001»: нужно время больше нуля и не больше секунды, "
                  "например 10, 50ms"}));
    EXPECT_EQ(rules.rules().inputs.back().debounce, 0ms);
    EXPECT_EQ(rules.rules().inputPeriod, 10ms);
    port.sim.setStatus(0x50);  // nAck and Select set, Busy clear: pins 10, 11 and 13 high
    EXPECT_EQ(run(GetInputsCommand{}).lines,
              (std::vector<std::string>{"1\toff\tКнопка", "2\ton\tПоплавок", "3\toff\tВход 3", "4\ton\tВход 4",
                                        "5\toff\tВход 5"}));
}

TEST_F(CommandCoreTest, ShowRaisesTheWindowOrIsRefusedWithoutOne) {
    EXPECT_TRUE(run(ShowCommand{}).done());
    EXPECT_EQ(window.shown, 1);
    const Reply refused = core.execute({ShowCommand{}, Source::CommandLine});
    EXPECT_EQ(refused.outcome, Reply::Outcome::Refused);
    EXPECT_TRUE(test::contains(refused.reason, "без окна"));
}

TEST_F(CommandCoreTest, APulseTakesTheOppositeStateThenReturns) {
    engine.set({{8, false}}, Source::Window);
    EXPECT_TRUE(run(PulseCommand{7, 50}).done());
    EXPECT_TRUE(run(PulseCommand{8, 50}).done());
    EXPECT_EQ(port.board.outputLevel(7), 0);
    EXPECT_EQ(port.board.outputLevel(8), 1);
    EXPECT_EQ(savedValue(7), "Value=1");
    timers.advance(50ms);
    EXPECT_FALSE(pulses.pending(7) || pulses.pending(8));
    EXPECT_EQ(port.board.outputLevel(7), 1);
    EXPECT_EQ(port.board.outputLevel(8), 0);
    EXPECT_EQ(savedValue(7), "Value=0");
    EXPECT_EQ(savedValue(8), "Value=1");
}

TEST_F(CommandCoreTest, ASecondPulseKeepsThePulsedStateAndReplacesThePendingReturn) {
    run(PulseCommand{7, 50});
    const std::uint64_t transfers = port.board.latchPulses();
    run(PulseCommand{7, 600000});
    EXPECT_EQ(port.board.latchPulses(), transfers) << "already in the pulsed state";
    timers.advance(200ms);
    EXPECT_EQ(port.board.outputLevel(7), 0) << "the first pulse's return was replaced";
    EXPECT_TRUE(pulses.pending(7));
}

TEST_F(CommandCoreTest, AnyOtherChangeOfThePulsedOutputCancelsItsReturn) {
    for (const Command& change :
         {Command(SetCommand{{{7, Switch::Off}}}), Command(ToggleCommand{7}), Command(AllCommand{true})}) {
        run(PulseCommand{7, 50});
        run(change);
        EXPECT_FALSE(pulses.pending(7));
        const int level = port.board.outputLevel(7);
        timers.advance(150ms);
        EXPECT_EQ(port.board.outputLevel(7), level) << formatRequest(change);
        run(AllCommand{true});
    }
}

// A request whose output waits for an interlock's dead time is answered
// when the step of that wait latches it, or as cancelled when a later
// request on the interlock ends the wait; a pulse lasts from its latch.
TEST_F(CommandCoreTest, ARequestThatWaitsForADeadTimeIsAnsweredWhenItsOutputIsLatched) {
    struct Case {
        const char* what;
        Command asked;
        std::optional<Command> later;  // 200 ms after, while it waits
        Reply::Outcome outcome;
        int latchedAtAnswer;  // output 2's level when the answer came
        int levelAt900ms;     // output 2's level 900 ms after the request
    };
    const Case cases[] = {
        {"set", SetCommand{{{2, Switch::On}}}, std::nullopt, Reply::Outcome::Done, 1, 1},
        {"toggle", ToggleCommand{2}, std::nullopt, Reply::Outcome::Done, 1, 1},
        {"pulse", PulseCommand{2, 400}, std::nullopt, Reply::Outcome::Done, 1, 0},  // 400 ms from its latch
        {"cancelled", SetCommand{{{2, Switch::On}}}, SetCommand{{{1, Switch::On}}}, Reply::Outcome::Cancelled, 0, 0},
    };
    useRules("[Interlock Мотор]\nOutputs=1,2\nDeadTime=500\n");
    for (const Case& c : cases) {
        engine.set({{1, true}, {2, false}}, Source::Window);
        advance(1000ms);
        std::optional<Reply> answer;
        int latchedAtAnswer = -1;
        core.execute({c.asked, Source::CommandLine}, [&](const Reply& reply) {
            answer = reply;
            latchedAtAnswer = port.board.outputLevel(2);
        });
        EXPECT_FALSE(answer) << c.what << ": answered before the dead time";
        advance(200ms);
        if (c.later) run(*c.later);
        advance(700ms);
        ASSERT_TRUE(answer) << c.what;
        EXPECT_EQ(answer->outcome, c.outcome) << c.what;
        EXPECT_EQ(latchedAtAnswer, c.latchedAtAnswer) << c.what;
        EXPECT_EQ(port.board.outputLevel(2), c.levelAt900ms) << c.what;
    }
}

TEST_F(CommandCoreTest, PendingReturnsComeBackTogetherBeforeTheExit) {
    run(PulseCommand{7, 600000});
    run(PulseCommand{9, 600000});
    const std::uint64_t transfers = port.board.latchPulses();
    pulses.returnAll();
    EXPECT_EQ(port.board.latchPulses(), transfers + 1);
    EXPECT_EQ(port.board.outputLevel(7), 1);
    EXPECT_EQ(port.board.outputLevel(9), 1);
    EXPECT_EQ(savedValue(7), "Value=0");
    EXPECT_FALSE(pulses.pending(7));
}

TEST_F(CommandCoreTest, EveryStepCarriesTheSourceOfItsRequest) {
    std::vector<Source> heard;
    engine.addListener([&](const OutputChange& change) { heard.push_back(change.source); });
    core.execute({ToggleCommand{3}, Source::mqtt("garage")});
    core.execute({PulseCommand{4, 50}, Source::CommandLine});
    timers.advance(50ms);
    EXPECT_EQ(heard, (std::vector<Source>{Source::mqtt("garage"), Source::CommandLine, Source::Pulse}));
}

// A change whose save fails is carried out on the outputs but answered as
// not saved, never as done; a get still answers.
TEST_F(CommandCoreTest, AChangeThatCannotBeSavedSaysSo) {
    std::filesystem::remove(data.FileName());
    std::filesystem::create_directory(data.FileName());
    for (const Command& change :
         {Command(SetCommand{{{1, Switch::Off}}}), Command(AllCommand{false}), Command(RenameCommand{1, "x"})}) {
        const Reply reply = run(change);
        EXPECT_EQ(reply.outcome, Reply::Outcome::NotSaved) << formatRequest(change);
        EXPECT_TRUE(test::contains(reply.reason, "Data.dat не сохранён"));
    }
    EXPECT_EQ(engine.figures().saveFailures, 3u);
    EXPECT_FALSE(latchedOn(1));
    EXPECT_TRUE(run(GetCommand{{1}}).done());
}

}  // namespace
}  // namespace kavtra

namespace kavtra::test {
namespace {

using Outputs = std::vector<int>;

// Groups and scenes are switched in one step each, as the source the log
// names; what names nothing there is refused and changes nothing.
TEST(CommandCoreRules, GroupsScenesAndUndoAreOneStepEach) {
    struct Case {
        Command command;
        Outputs onAfter;  // of 1..6, from 1 and 2 on
        Source source;    // of the step; none when refused
        std::string refusal;
    };
    const Source none{Source::Kind::Undo, "(none)"};
    const std::vector<Case> cases = {
        {SetCommand{{{Target::ofGroup("Двор"), Switch::On}}}, {1, 2, 3, 4}, Source::group("Двор"), {}},
        {SetCommand{{{Target::ofGroup("Двор"), Switch::On}, {6, Switch::On}}},
         {1, 2, 3, 4, 6},
         Source::CommandLine,
         {}},
        {ToggleCommand{Target::ofGroup("Пара")}, {}, Source::group("Пара"), {}},  // all on: all off
        {ToggleCommand{Target::ofGroup("Двор")}, {1, 2, 3, 4}, Source::group("Двор"), {}},
        {SceneCommand{"Вечер"}, {2, 5}, Source::scene("Вечер"), {}},
        {SceneCommand{"Утро"}, {1, 2}, none, "нет сцены «Утро»"},
        {SetCommand{{{Target::ofGroup("Сад"), Switch::Off}}}, {1, 2}, none, "нет группы «Сад»"},
        {UndoCommand{}, {1, 2}, none, "отменять нечего"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(formatRequest(c.command));
        CoreOnBoard board;
        board.useRules("[Group Двор]\nOutputs=3-4\n[Group Пара]\nOutputs=1,2\n[Scene Вечер]\nOn=5\nOff=1\n");
        board.run(SetCommand{{{1, Switch::On},
                              {2, Switch::On},
                              {3, Switch::Off},
                              {4, Switch::Off},
                              {5, Switch::Off},
                              {6, Switch::Off}}});
        std::vector<Source> heard;
        board.engine.addListener([&](const OutputChange& change) { heard.push_back(change.source); });
        const auto before = board.transfers();
        const Reply reply = board.run(c.command);
        EXPECT_EQ(reply.reason, c.refusal);
        EXPECT_EQ(board.latchedOnOf({1, 2, 3, 4, 5, 6}), c.onAfter);
        EXPECT_EQ(board.transfers(), before + (c.refusal.empty() ? 1 : 0));
        EXPECT_EQ(heard, c.refusal.empty() ? std::vector<Source>{c.source} : std::vector<Source>{});
        // A scene or group recalled is taken back by undo; nothing else is.
        const bool recall = c.source.kind == Source::Kind::Scene || c.source.kind == Source::Kind::Group;
        EXPECT_EQ(board.run(UndoCommand{}).done(), recall);
        if (recall) {
            EXPECT_EQ(board.latchedOnOf({1, 2, 3, 4, 5, 6}), (Outputs{1, 2}));
        }
    }
}

// config.ini's text, the choice as it is written back (or the refusal's
// start), and whether outputs 5 ("Насос"), 6 ("Вывод 6") and 41 (blank) are in.
struct ChoiceCase {
    const char* text;
    const char* reading;
    bool five, six, fortyOne;
};

TEST(OutputChoice, ReadsTheFormsAndTellsWhichOutputsAreIn) {
    const ChoiceCase cases[] = {
        {"", "all", true, true, true},
        {" ALL ", "all", true, true, true},
        {"Named", "named", true, false, false},
        {"1-5, 41,3", "1-5,41", true, false, true},
        {"6", "6", false, true, false},
        {"0", "«0»: номер вывода", false, false, false},
        {"40-2", "«40-2»: диапазон идёт назад", false, false, false},
        {"1-5,@Сад", "«@Сад»: здесь нужны номера выводов", false, false, false},
    };
    for (const ChoiceCase& c : cases) {
        const Parsed<OutputChoice> choice = parseOutputChoice(c.text);
        if (!choice) {
            EXPECT_EQ(choice.error.rfind(c.reading, 0), 0u) << c.text << ": " << choice.error;
            continue;
        }
        EXPECT_EQ(choice.value->text(), c.reading) << c.text;
        EXPECT_EQ(choice.value->includes(5, "Насос"), c.five) << c.text;
        EXPECT_EQ(choice.value->includes(6, "Вывод 6"), c.six) << c.text;
        EXPECT_EQ(choice.value->includes(41, "  "), c.fortyOne) << c.text;
    }
}

// Latch by latch: off from the first, a change whole in the next, a bad value or an unreadable file keeps the last
// good one (at the start, none: no latch), the exit through the one in force. Outputs 1 to `inverted` are inverted.
// Each new fault, and its mending, is told to the window.
TEST(InvertedBoard, IsOffFromItsFirstLatchThroughChangesOfTheSettingToTheExit) {
    const auto picture = [](std::vector<std::size_t> on, std::size_t inverted) {
        std::bitset<300> levels = std::bitset<300>().set() >> (300 - inverted);
        for (std::size_t n : on) levels.flip(n - 1);
        return levels;
    };
    const std::string config = "[Configs]\nValLoad=2\nValUnload=2\n[Outputs]\nInverted=";
    for (const auto& [first, unlatched] : {std::pair{"1-40", 0}, {"всё", 1}}) {
        CoreOnBoard board(config + first);
        const bool faultAtStart = !board.plant.inversionFault().empty();
        std::vector<bool> told;  // each change of the fault the window hears: whether there is one
        board.plant.onInversionFault([&told](const std::string& fault) { told.push_back(!fault.empty()); });
        for (const auto& [inverted, output] : {std::pair{"1-40", 1}, {" 1-80 ", 41}, {"1-x", 2}}) {
            board.writeConfig(config + inverted);
            board.engine.set({{output, true}}, Source::Window);
        }
        writeBytes(configPath(board.dir.path.string()), std::string("\xFF\xFE[\0", 4));  // UTF-16: not read
        board.engine.set({{2, false}}, Source::Window);
        board.plant.exit();
        const std::vector expected{picture({}, 40),         picture({1}, 40),     picture({1, 41}, 80),
                                   picture({1, 2, 41}, 80), picture({1, 41}, 80), picture({1, 41}, 80)};
        EXPECT_EQ(board.latchLevels, std::vector(expected.begin() + unlatched, expected.end())) << first;
        EXPECT_EQ(faultAtStart, unlatched == 1);
        EXPECT_EQ(told, (unlatched ? std::vector{false, true, true} : std::vector{true, true}));
    }
}

}  // namespace
}  // namespace kavtra::test
