#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/command_executor.h"
#include "persist/files/settings.h"
#include "tests/support/port_log.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

// A running copy's engine on a simulated port, the board watching the port,
// and the handler of the command socket over it.
class CommandExecutorTest : public ::testing::Test {
protected:
    CommandExecutorTest() {
        data.FileName(dataPath(dir.path.string()));
        engine.LoadList();
    }

    Reply run(const Command& command) { return executor(command); }

    // The state saved for an output, as Data.dat holds it.
    std::string savedValue(int output) const {
        std::ifstream in(dataPath(dir.path.string()), std::ios::binary);
        const std::string section = "[Devais_" + std::to_string(output) + "]";
        for (std::string line; std::getline(in, line);)
            if (line.rfind(section, 0) == 0 && std::getline(in, line)) return line.substr(0, line.find('\r'));
        return {};
    }

    test::ScratchDir dir;
    test::BoardOnPort port;
    clsINI data;
    OutputEngine engine{data, port.lpt};
    OutputPulses pulses{engine};
    int shown = 0;
    CommandExecutor executor{engine, pulses, [this] { ++shown; }};
};

TEST_F(CommandExecutorTest, GetGivesOneLinePerOutputAskedForOrAll300) {
    engine.set({{2, false}});
    engine.rename(2, "Насос\tполива");
    EXPECT_EQ(run(GetCommand{{2, 1}}).lines, (std::vector<std::string>{"2\toff\tНасос\tполива", "1\ton\tВывод 1"}));
    const Reply all = run(GetCommand{});
    ASSERT_EQ(all.lines.size(), 300u);
    EXPECT_EQ(all.lines.back(), "300\ton\tВывод 300");
}

TEST_F(CommandExecutorTest, ShowRaisesTheWindowOrIsRefusedWithoutOne) {
    EXPECT_TRUE(run(ShowCommand{}).ok);
    EXPECT_EQ(shown, 1);
    CommandExecutor headless(engine, pulses, nullptr);
    const Reply refused = headless(ShowCommand{});
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.reason.find("без окна"), std::string::npos);
}

TEST_F(CommandExecutorTest, APulseTakesTheOppositeStateThenReturns) {
    engine.set({{8, false}});
    EXPECT_TRUE(run(PulseCommand{7, 50}).ok);
    EXPECT_TRUE(run(PulseCommand{8, 50}).ok);
    EXPECT_EQ(port.board.outputLevel(7), 0);
    EXPECT_EQ(port.board.outputLevel(8), 1);
    EXPECT_EQ(savedValue(7), "Value=1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pulses.pending(7) && !pulses.pending(8); }, 5000));
    EXPECT_EQ(port.board.outputLevel(7), 1);
    EXPECT_EQ(port.board.outputLevel(8), 0);
    EXPECT_EQ(savedValue(7), "Value=0");
    EXPECT_EQ(savedValue(8), "Value=1");
}

TEST_F(CommandExecutorTest, ASecondPulseKeepsThePulsedStateAndReplacesThePendingReturn) {
    run(PulseCommand{7, 50});
    const std::uint64_t transfers = port.board.latchPulses();
    run(PulseCommand{7, 600000});
    EXPECT_EQ(port.board.latchPulses(), transfers) << "already in the pulsed state";
    QTest::qWait(200);
    EXPECT_EQ(port.board.outputLevel(7), 0) << "the first pulse's return was replaced";
    EXPECT_TRUE(pulses.pending(7));
}

TEST_F(CommandExecutorTest, AnyOtherChangeOfThePulsedOutputCancelsItsReturn) {
    for (const Command& change :
         {Command(SetCommand{{{7, false}}}), Command(ToggleCommand{7}), Command(AllCommand{true})}) {
        run(PulseCommand{7, 50});
        run(change);
        EXPECT_FALSE(pulses.pending(7));
        const int level = port.board.outputLevel(7);
        QTest::qWait(150);
        EXPECT_EQ(port.board.outputLevel(7), level) << formatRequest(change);
        run(AllCommand{true});
    }
}

TEST_F(CommandExecutorTest, PendingReturnsComeBackTogetherBeforeTheExit) {
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

}  // namespace
}  // namespace kavtra
