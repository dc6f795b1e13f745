#include <signal.h>

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "outputs/shift_board.h"
#include "tests/support/contains.h"
#include "tests/support/core_on_board.h"
#include "tests/support/file_bytes.h"
#include "tests/support/program_copy.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// The real program, without its window, on a Rules.ini of groups, a scene,
// an interlock with a dead time and a rule on an input: the input switched
// through the simulated port's file, each feature asked for by the command
// line, then its trace replayed latch by latch, its files and its log read.
TEST(ProgramRules, GroupsScenesUndoAndInterlocksFromTheCommandLineAreLatchedSavedAndLogged) {
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=2\r\nValUnload=3\r\n");
    copy.write("Rules.ini", rulesFileText("[Group Двор]\nOutputs=3-4\n[Scene Вечер]\nOn=5\nOff=3\n"
                                          "[Interlock Ворота]\nOutputs=10,11\nDeadTime=200\n[Group Сад]\nOutputs=@Нет\n"
                                          "[Input 1]\nName=Кнопка\nInverted=1\n"
                                          "[Rule Звонок]\nWhen=input Кнопка on\nDo=set 20=on\n"));
    // The simulated port's inputs follow a file, read at each reading.
    const std::string inputs = (dir.path / "inputs").string();
    copy.environment.insert("KAVTRA_PORT_INPUTS", QString::fromStdString(inputs));
    const std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    const std::string rest = "3\toff\tВход 3\n4\toff\tВход 4\n";
    for (const auto& [levels, expected] :
         {std::pair<std::string, std::string>{"10001\n", "1\toff\tКнопка\n2\toff\tВход 2\n" + rest + "5\ton\tВход 5\n"},
          {"01000", "1\ton\tКнопка\n2\ton\tВход 2\n" + rest + "5\toff\tВход 5\n"}}) {
        test::writeBytes(inputs, levels);
        EXPECT_EQ(copy.run({"--get-inputs"}).out, expected) << levels;
        QThread::msleep(150);  // more than the poll and the debounce
    }
    for (const QStringList& command : {QStringList{"--set", "@Двор=on"},
                                       {"--scene", "Вечер"},
                                       {"--undo"},
                                       {"--set", "10=on"},
                                       {"--set", "11=on"},
                                       {"--save-scene", "Ночь", "@Двор"}})
        EXPECT_EQ(copy.run(command).status, 0) << command.join(' ').toStdString();
    const ProgramCopy::Run reload = copy.run({"--reload"});
    EXPECT_EQ(reload.out, "Rules.ini, [Group Сад], Outputs: нет группы «Нет»\n");
    QThread::msleep(400);  // the dead time
    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGTERM), 0);
    ASSERT_TRUE(running->waitForFinished(20000));

    ShiftBoard board;
    std::uint64_t seen = 0;
    int together = 0;
    for (const PortAccess& access : copy.trace()) {
        board.onAccess(access);
        if (board.latchPulses() == seen) continue;
        seen = board.latchPulses();
        together += board.outputLevel(10) == 1 && board.outputLevel(11) == 1;
    }
    EXPECT_EQ(together, 0);
    for (int output : {3, 4, 11, 20}) EXPECT_EQ(board.outputLevel(output), 1) << output;
    for (int output : {5, 10}) EXPECT_EQ(board.outputLevel(output), 0) << output;
    EXPECT_TRUE(contains(copy.file("Data.dat"), "[Devais_11]\r\nValue=0\r\n"));
    EXPECT_TRUE(contains(copy.file("Rules.ini"), "[Scene Ночь]\r\nOn=3-4\r\nOff=\r\n"));

    // The log's lines without their times, the second tab shown as a blank.
    std::vector<std::string> sources;
    std::istringstream log(copy.run({"--log", "8"}).out);
    for (std::string line; std::getline(log, line);) {
        line.erase(0, line.find('\t') + 1);
        sources.push_back(line.replace(line.find('\t'), 1, " "));
    }
    EXPECT_EQ(sources, (std::vector<std::string>{"rule:Звонок сработало: вход 1 вкл.", "rule:Звонок 20=on",
                                                 "group:Двор 3-4=on", "scene:Вечер 5=on 3=off", "undo 3=on 5=off",
                                                 "command 10=on", "interlock:Ворота 10=off", "command 11=on"}));
}

// A schedule a few seconds ahead, carried out by the real program: latched,
// saved and logged under its name; `--schedule` lists it before it comes.
TEST(ProgramRules, AnEventAFewSecondsAheadIsListedThenLatchedSavedAndLogged) {
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=2\r\nValUnload=3\r\n");
    const std::time_t soon = std::time(nullptr) + 4;
    char at[32];
    std::strftime(at, sizeof at, "%Y-%m-%d %H:%M:%S", std::localtime(&soon));
    copy.write("Rules.ini", rulesFileText(std::string("[Schedule Утро]\nAt=") + at +
                                          "\nOn=8\n[Schedule Новый год]\nAt=2099-12-31 23:59:30\nOff=8-9\n"));
    const std::string listed = copy.run({"--schedule", "2"}).out;
    EXPECT_EQ(listed, std::string(at) + "\tУтро\ton=8\n2099-12-31 23:59:30\tНовый год\toff=8-9\n");
    const std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    for (int waited = 0; waited < 100 && !contains(copy.file("Data.dat"), "[Devais_8]\r\nValue=0\r\n"); ++waited)
        QThread::msleep(100);
    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGTERM), 0);
    ASSERT_TRUE(running->waitForFinished(20000));

    ShiftBoard board;
    for (const PortAccess& access : copy.trace()) board.onAccess(access);
    EXPECT_EQ(board.outputLevel(8), 1);
    EXPECT_TRUE(contains(copy.file("Data.dat"), "[Devais_8]\r\nValue=0\r\n"));
    EXPECT_TRUE(contains(copy.run({"--log", "1"}).out, "\tschedule:Утро\t8=on\n"));
}

// A limit of 1 s ends by itself; one of 3 s whose program was killed meanwhile
// ends at the next start, before the first transfer: the outputs' states are
// remembered, and still no latch after the restart ever shows it on.
TEST(ProgramRules, LimitsEndOnTimeAndAKilledProgramStartsWithTheOutputOff) {
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=2\r\n");  // all off, then remembered
    copy.write("Rules.ini", rulesFileText("[Limits]\n5=1s\n7=3s\n"));
    std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    EXPECT_EQ(copy.run({"--set", "5=on", "7=on"}).status, 0);
    QThread::msleep(1500);
    EXPECT_TRUE(contains(copy.run({"--get", "5", "7"}).out, "5\toff\tВывод 5\n7\ton\tВывод 7\t"));  // 7: time left
    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGKILL), 0);
    ASSERT_TRUE(running->waitForFinished(20000));
    const std::size_t firstRun = copy.trace().size();
    QThread::msleep(2000);

    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=3\r\n");
    running = copy.start({"--no-window"});
    EXPECT_EQ(copy.run({"--get", "5", "7"}).out, "5\toff\tВывод 5\n7\toff\tВывод 7\n");
    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGTERM), 0);
    ASSERT_TRUE(running->waitForFinished(20000));
    ShiftBoard board;
    const std::vector<PortAccess> trace = copy.trace();
    int sevenOn[2] = {0, 0};  // latches that showed 7 on: before the kill, after the restart
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const std::uint64_t latches = board.latchPulses();
        board.onAccess(trace[i]);
        if (board.latchPulses() != latches) sevenOn[i >= firstRun] += board.outputLevel(7) == 1;
    }
    EXPECT_GT(sevenOn[0], 0);
    EXPECT_EQ(sevenOn[1], 0);
    EXPECT_FALSE(contains(copy.file("Data.dat"), "[Timers]"));

    const std::string log = copy.run({"--log", "2"}).out;  // what the start's policy asked for, and the limit
    EXPECT_TRUE(contains(log, "\tpolicy:start\t7=on\n") && contains(log, "\ttimer\t7=off\n")) << log;
}

// A Rules.ini the program cannot read is refused by --reload with status 7,
// said on standard error and in the log, and its interlock stays in force.
TEST(ProgramRules, AnUnreadableRulesFileKeepsTheRulesInForce) {
    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=2\r\nValUnload=3\r\n");
    copy.write("Rules.ini", rulesFileText("[Interlock Ворота]\nOutputs=10,11\n"));
    const std::unique_ptr<QProcess> running = copy.start({"--no-window"});
    EXPECT_EQ(copy.run({"--set", "11=on"}).status, 0);
    copy.write("Rules.ini", std::string("\xFF\xFE[\0G\0", 6));
    const ProgramCopy::Run reload = copy.run({"--reload"});
    const std::string why =
        "Rules.ini не прочитан (файл в UTF-16; читаются Windows-1251 и UTF-8): действуют правила, "
        "прочитанные раньше";
    EXPECT_EQ(std::pair(reload.status, reload.err), std::pair(7, "kavtra: " + why + "\n"));
    EXPECT_TRUE(contains(copy.run({"--log", "1"}).out, "\trules\t" + why + "\n"));
    EXPECT_EQ(copy.run({"--set", "10=on"}).status, 0);
    EXPECT_EQ(copy.run({"--get", "10", "11"}).out, "10\ton\tВывод 10\n11\toff\tВывод 11\n");
    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGTERM), 0);
    ASSERT_TRUE(running->waitForFinished(20000));
}

}  // namespace
}  // namespace kavtra::test
