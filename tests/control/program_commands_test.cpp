#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "control/command_server.h"
#include "control/socket_place.h"
#include "outputs/shift_board.h"
#include "tests/support/contains.h"
#include "tests/support/other_user.h"
#include "tests/support/program_copy.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// The latched outputs and the transfers (latch pulses) a trace shows.
ShiftBoard replay(const std::vector<PortAccess>& trace) {
    ShiftBoard board;
    for (const PortAccess& access : trace) board.onAccess(access);
    return board;
}

// The program copied into a folder of its own. The transfer timer is
// stopped (period 0), so that every transfer in the trace is one a command
// made; states are remembered at start and at exit.
class ProgramCommandsTest : public ::testing::Test {
protected:
    ProgramCommandsTest() { copy.write("config.ini", "[Configs]\r\nTimeUpdate=0\r\nValLoad=3\r\nValUnload=3\r\n"); }

    ~ProgramCommandsTest() override {
        if (running && running->state() != QProcess::NotRunning) {
            running->kill();
            running->waitForFinished();
        }
    }

    void startRunning(bool window = false) {
        running = copy.start(window ? QStringList{} : QStringList{"--no-window"}, window);
    }

    void endRunning(int signal = SIGTERM) {
        ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), signal), 0);
        ASSERT_TRUE(running->waitForFinished(20000));
    }

    ScratchDir dir;
    ProgramCopy copy{dir.path, KAVTRA_PROGRAM};
    std::unique_ptr<QProcess> running;
};

TEST_F(ProgramCommandsTest, ASecondStartNeitherTouchesThePortNorWritesAndEndsAtOnce) {
    startRunning();
    const std::string data = copy.file("Data.dat");
    const std::string config = copy.file("config.ini");
    const std::size_t accesses = copy.trace().size();
    QProcessEnvironment second = copy.environment;
    second.insert("KAVTRA_PORT_TRACE", QString::fromStdString((dir.path / "second-trace").string()));

    // Without a window there is nothing to show: the running copy says so.
    const ProgramCopy::Run show = copy.run({}, second);
    EXPECT_EQ(show.status, 4);
    EXPECT_TRUE(contains(show.err, "без окна")) << show.err;
    const ProgramCopy::Run again = copy.run({"--no-window"}, second);
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(contains(again.err, "уже запущена")) << again.err;

    EXPECT_FALSE(std::filesystem::exists(dir.path / "second-trace")) << "a second copy never opened the port";
    EXPECT_EQ(copy.file("Data.dat"), data);
    EXPECT_EQ(copy.file("config.ini"), config);
    EXPECT_EQ(copy.trace().size(), accesses);
}

TEST_F(ProgramCommandsTest, ASecondStartShowsTheRunningWindowAndEndsWithStatusZero) {
    startRunning(true);
    QProcessEnvironment second = copy.environment;
    second.insert("KAVTRA_PORT_TRACE", QString::fromStdString((dir.path / "second-trace").string()));
    const ProgramCopy::Run show = copy.run({}, second);
    EXPECT_EQ(show.status, 0) << show.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path / "second-trace"));
}

TEST_F(ProgramCommandsTest, SeveralOutputsSetAtOnceLatchInOneTransferBeforeTheCommandReturns) {
    startRunning();
    const std::uint64_t before = replay(copy.trace()).latchPulses();
    const ProgramCopy::Run set = copy.run({"--set", "5=off", "41=off", "300=off"});
    EXPECT_EQ(set.status, 0) << set.err;
    const ShiftBoard board = replay(copy.trace());
    EXPECT_EQ(board.latchPulses(), before + 1);
    for (int output : {5, 41, 300}) EXPECT_EQ(board.outputLevel(output), 0) << output;
    EXPECT_EQ(board.outputLevel(6), 1);
}

TEST_F(ProgramCommandsTest, ChangesHandedOnByOtherStartsAreAllKept) {
    startRunning(true);
    for (const QStringList& command : {QStringList{"--set", "5=off", "6=off"}, QStringList{"--toggle", "7"},
                                       QStringList{"--rename", "8=Насос полива"}, QStringList{"--toggle", "6"}})
        EXPECT_EQ(copy.run(command).status, 0) << command.join(' ').toStdString();
    const ProgramCopy::Run get = copy.run({"--get", "5", "6", "7", "8"});
    EXPECT_EQ(get.out, "5\toff\tВывод 5\n6\ton\tВывод 6\n7\toff\tВывод 7\n8\ton\tНасос полива\n");

    endRunning();
    EXPECT_EQ(running->exitCode(), 0);
    const ShiftBoard board = replay(copy.trace());
    EXPECT_EQ(board.outputLevel(5), 0);
    EXPECT_EQ(board.outputLevel(6), 1);
    EXPECT_EQ(board.outputLevel(7), 0);
    const std::string data = copy.file("Data.dat");
    EXPECT_TRUE(contains(data, "[Devais_7]\r\nValue=1\r\n"));
    EXPECT_TRUE(contains(data, "Name=\xCD\xE0\xF1\xEE\xF1 \xEF\xEE\xEB\xE8\xE2\xE0\r\n")) << "Windows-1251";
}

TEST_F(ProgramCommandsTest, APulseReturnsTheOutputAndBothChangesAreSaved) {
    startRunning();
    EXPECT_EQ(copy.run({"--pulse", "9=200"}).status, 0);
    EXPECT_EQ(replay(copy.trace()).outputLevel(9), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return replay(copy.trace()).outputLevel(9) == 1; }, 10000));
    EXPECT_TRUE(contains(copy.file("Data.dat"), "[Devais_9]\r\nValue=0\r\n"));
}

TEST_F(ProgramCommandsTest, APulseStillPendingAtTheExitReturnsBeforeTheExitPolicy) {
    startRunning();
    EXPECT_EQ(copy.run({"--pulse", "9=600000"}).status, 0);
    endRunning();
    EXPECT_EQ(replay(copy.trace()).outputLevel(9), 1);
    EXPECT_TRUE(contains(copy.file("Data.dat"), "[Devais_9]\r\nValue=0\r\n"));
}

// Fresh, every output starts on (remembered, none saved), which counts as no
// switch. Output 5 goes off and on again; a kill loses nothing of that, and
// its time on goes on across the restart, as the board held its latch.
TEST_F(ProgramCommandsTest, CountersOutlastAKillAndAResetAndAreReadThroughTheSocket) {
    startRunning();
    ASSERT_EQ(copy.run({"--set", "5=off"}).status, 0);
    ASSERT_EQ(copy.run({"--set", "5=on"}).status, 0);
    endRunning(SIGKILL);
    startRunning();
    const ProgramCopy::Run stats = copy.run({"--stats", "5", "6"});
    EXPECT_EQ(stats.status, 0) << stats.err;
    EXPECT_EQ(stats.out.substr(0, 4), "5\t2\t");
    EXPECT_EQ(stats.out.substr(stats.out.find('\n') + 1, 4), "6\t0\t");
    EXPECT_EQ(copy.run({"--reset-stats", "5"}).status, 0);
    EXPECT_EQ(copy.run({"--stats", "5"}).out.substr(0, 4), "5\t0\t");
}

TEST_F(ProgramCommandsTest, ASocketLeftByAKilledCopyBlocksNeitherACommandNorTheNextStart) {
    startRunning();
    endRunning(SIGKILL);
    const ProgramCopy::Run orphan = copy.run({"--toggle", "1"});
    EXPECT_EQ(orphan.status, 3);
    startRunning();
    EXPECT_EQ(copy.run({"--toggle", "1"}).status, 0);
}

TEST_F(ProgramCommandsTest, BadMessagesOnTheSocketAreAnsweredAndChangeNothing) {
    startRunning();
    const std::size_t accesses = copy.trace().size();
    const std::string data = copy.file("Data.dat");
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(commandSocketPlace(dir.path.string()).serverName));
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write("toggle 0\nset 1=on 2=sideways\npulse 3=10\n\xff\xfe\n" + QByteArray(100000, 'x'));
    QByteArray replies;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            replies += socket.readAll();
            return replies.count('\n') >= 5;
        },
        10000));
    EXPECT_EQ(replies.count("error\t"), 5) << replies.toStdString();
    EXPECT_TRUE(replies.endsWith("error\tслишком длинная команда\n")) << replies.toStdString();
    EXPECT_EQ(copy.trace().size(), accesses);
    EXPECT_EQ(copy.file("Data.dat"), data);
    EXPECT_EQ(copy.run({"--get", "1"}).out, "1\ton\tВывод 1\n");
}

TEST_F(ProgramCommandsTest, ClientsThatSayNothingShutNoCommandOut) {
    startRunning();
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int i = 0; i < CommandServer::kMaxClients; ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(QString::fromStdString(commandSocketPlace(dir.path.string()).serverName));
        ASSERT_TRUE(silent.back()->waitForConnected(2000));
    }
    QElapsedTimer clock;
    clock.start();
    const ProgramCopy::Run set = copy.run({"--set", "5=off"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(replay(copy.trace()).outputLevel(5), 0);
}

TEST_F(ProgramCommandsTest, AClientThatSaysItHasNoMoreToSendStillGetsItsReply) {
    startRunning();
    const std::string socket = commandSocketPlace(dir.path.string()).serverName;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(test::askOnce(socket, "get 1 2\n", true), "1\ton\tВывод 1\n2\ton\tВывод 2\nok\n") << i;
}

// Where the user has no folder of the system's own for sockets, another
// user may be first in the place where the user's socket goes.
TEST_F(ProgramCommandsTest, ASocketAnotherUserPutInTheSocketsPlaceIsNeverUsed) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can act as two other users";
    const uid_t user = 61000 + static_cast<uid_t>(::getpid() % 1000);
    ASSERT_EQ(::chown(dir.path.c_str(), user, user), 0);
    // Where that user's programs look for the socket.
    test::OtherUser locate(user, [&](const auto& ready) {
        test::writeBytes(dir.path / "place", commandSocketPlace(dir.path.string()).serverName);
        ready();
        return 0;
    });
    const std::filesystem::path place = copy.file("place");
    const std::filesystem::path folder = place.parent_path();
    if (folder != "/tmp") std::filesystem::remove_all(folder);
    std::filesystem::create_directory(dir.path / "squatter");
    ::chmod((dir.path / "squatter").c_str(), 0777);
    const std::string heard = (dir.path / "squatter" / "heard").string();
    test::OtherUser squatter(test::kNobody,
                             [&](const auto& ready) { return test::answerEverything(place.string(), heard, ready); });
    copy.user = user;

    const std::vector<ProgramCopy::Run> runs = {copy.run({"--set", "1=off"}), copy.run({"--get", "1"}),
                                                copy.run({"--no-window"})};
    for (const ProgramCopy::Run& run : runs) {
        EXPECT_NE(run.status, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(contains(run.err, folder.string() + " принадлежит другому пользователю")) << run.err;
    }
    EXPECT_EQ(readBytes(heard), "") << "the other user's program heard a request";
    if (folder != "/tmp") std::filesystem::remove_all(folder);
}

TEST_F(ProgramCommandsTest, WithoutARunningCopyACommandSaysHowToStartOneAndStartsNothing) {
    const ProgramCopy::Run run = copy.run({"--all", "off"});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(contains(run.err, "kavtra --no-window")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path / "trace"));
    EXPECT_FALSE(std::filesystem::exists(dir.path / "Data.dat"));
}

struct Usage {
    QStringList arguments;
    int status;
    std::string printed;  // on standard output for 0, on standard error otherwise
};

TEST_F(ProgramCommandsTest, HelpVersionAndBadUsage) {
    const std::vector<Usage> cases = {
        {{"--help"}, 0, "--pulse N=МС"},
        {{"--version"}, 0, "kavtra 0."},
        {{"--toggle", "0"}, 2, "«0»: номер вывода должен быть числом от 1 до 300"},
        {{"--pulse", "4=700000"}, 2, "«4=700000»: длительность импульса"},
        {{"--sett", "4=on"}, 2, "неизвестный параметр «sett»"},
        {{"--set", "4=on", "--all", "off"}, 2, "одна команда за раз"},
    };
    for (const Usage& c : cases) {
        const ProgramCopy::Run run = copy.run(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(contains(c.status == 0 ? run.out : run.err, c.printed)) << run.out << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path / "trace"));
}

// A change the running copy cannot save is carried out on the outputs, but
// the command says so and ends with a status of its own.
// A command that waits for an interlock's dead time returns once its output
// is latched; one whose wait a later command ends returns status 6.
TEST_F(ProgramCommandsTest, ACommandReturnsWhenItsOutputIsLatchedAfterItsDeadTime) {
    copy.write("Rules.ini", "\xEF\xBB\xBF[Interlock Мотор]\r\nOutputs=50,51\r\nDeadTime=1000\r\n");
    startRunning();
    ASSERT_EQ(copy.run({"--set", "50=on"}).status, 0);
    const ProgramCopy::Run set = copy.run({"--set", "51=on"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(copy.run({"--get", "51"}).out, "51\ton\tВывод 51\n");
    EXPECT_EQ(replay(copy.trace()).outputLevel(51), 1);

    QProcess waiting;
    waiting.setProcessEnvironment(copy.environment);
    waiting.start(QString::fromStdString(copy.program.string()), {"--set", "50=on"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return replay(copy.trace()).outputLevel(51) == 0; }, 10000));
    EXPECT_EQ(copy.run({"--set", "51=on"}).status, 0);
    ASSERT_TRUE(waiting.waitForFinished(10000));
    EXPECT_EQ(waiting.exitCode(), 6) << waiting.readAllStandardError().toStdString();
    EXPECT_EQ(replay(copy.trace()).outputLevel(50), 0);
}

TEST_F(ProgramCommandsTest, AChangeThatCannotBeSavedEndsWithStatusFive) {
    startRunning();
    std::filesystem::remove(dir.path / "Data.dat");
    std::filesystem::create_directory(dir.path / "Data.dat");
    const ProgramCopy::Run set = copy.run({"--set", "1=off"});
    EXPECT_EQ(set.status, 5);
    EXPECT_TRUE(contains(set.err, "Data.dat не сохранён")) << set.err;
    EXPECT_EQ(replay(copy.trace()).outputLevel(1), 0) << "the outputs follow the request all the same";
}

}  // namespace
}  // namespace kavtra::test
