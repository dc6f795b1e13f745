#include <gtest/gtest.h>

#include <signal.h>

#include <QProcess>

#include <filesystem>
#include <memory>
#include <string>

#include "control/socket_place.h"
#include "outputs/shift_board.h"
#include "tests/support/program_copy.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

struct Case {
    const char* what;
    bool window;
    int signal;
    const char* valUnload;
    int level1, level2;  // outputs 1 and 2 latched at the end (1 = on)
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

class ProgramExitTest : public ::testing::TestWithParam<Case> {};

// Output 1 starts off and output 2 on (remembered states); while the program
// runs, another program saves output 2 as off, which only the remembered
// exit policy picks up.
TEST_P(ProgramExitTest, ASignalRunsTheExitSequenceWithoutAQuestionAndEndsWithStatusZero) {
    const Case& c = GetParam();
    ScratchDir dir;
    ProgramCopy copy(dir.path, KAVTRA_PROGRAM);
    copy.write("config.ini", std::string("[Configs]\r\nValLoad=3\r\nValUnload=") + c.valUnload + "\r\n");
    copy.write("Data.dat", "[Devais_1]\r\nValue=1\r\n");
    // Started once it answers commands, which it does after its start sequence.
    const std::unique_ptr<QProcess> process =
        copy.start(c.window ? QStringList{} : QStringList{QStringLiteral("--no-window")}, c.window);

    const std::string data = "[Devais_1]\r\nValue=1\r\n[Devais_2]\r\nValue=1\r\n";
    copy.write("Data.dat", data);
    // A copy that already ended has no process: kill(0) would signal the
    // test's own process group, the test runner with it.
    ASSERT_GT(process->processId(), 0);
    ASSERT_EQ(::kill(static_cast<pid_t>(process->processId()), c.signal), 0);
    ASSERT_TRUE(process->waitForFinished(20000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 0);

    ShiftBoard board;
    int releases = 0;
    for (const PortAccess& a : copy.trace()) {
        board.onAccess(a);
        if (a.kind == PortAccess::Kind::Write && a.address == 890 && (a.value & 0x20)) ++releases;
    }
    EXPECT_EQ(board.outputLevel(1), c.level1);
    EXPECT_EQ(board.outputLevel(2), c.level2);
    EXPECT_EQ(board.outputLevel(300), c.valUnload == std::string("2") ? 0 : 1);
    EXPECT_TRUE(board.pins().dataInput) << "the data lines are released";
    EXPECT_EQ(releases, 1) << "the exit sequence runs once";
    EXPECT_EQ(copy.file("Data.dat"), data) << "the exit writes nothing";
    EXPECT_FALSE(std::filesystem::exists(commandSocketPlace(dir.path.string()).serverName))
        << "the command socket is left behind";
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramExitTest,
                         ::testing::Values(Case{"WindowTermAllOn", true, SIGTERM, "1", 1, 1},
                                           Case{"WindowIntAllOff", true, SIGINT, "2", 0, 0},
                                           Case{"WindowHupRemembered", true, SIGHUP, "3", 0, 0},
                                           Case{"HeadlessTermRemembered", false, SIGTERM, "3", 0, 0},
                                           Case{"HeadlessIntAllOn", false, SIGINT, "1", 1, 1},
                                           Case{"HeadlessHupAllOff", false, SIGHUP, "2", 0, 0}),
                         [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.what); });

}  // namespace
}  // namespace kavtra::test
