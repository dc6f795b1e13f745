#include "runner/output_runner.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <string>
#include <vector>

#include "outputs/transfer.h"
#include "persist/files/data_file.h"
#include "persist/profile/profile_cache.h"
#include "port/port_trace.h"
#include "tests/support/file_bytes.h"
#include "tests/support/manual_timers.h"
#include "tests/support/port_log.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/zone_clock.h"

namespace kavtra::test {
namespace {

// The runner as the mode without a window uses it: no widget anywhere.
class OutputRunnerTest : public ::testing::Test {
protected:
    OutputRunnerTest() {
        config.FileName(configPath(dir.path.string()));
        data.FileName(dataPath(dir.path.string()));
        port.tap.addListener([this](const PortAccess& a) { trace.push_back(formatTraceLine(a)); });
    }
    std::string readData() const { return readBytes(data.FileName()); }
    ScratchDir dir;
    clsINI config;
    clsINI data;
    Settings settings{config};
    BoardOnPort port;
    ManualTimers timers;
    FixedZone zone{std::chrono::seconds(0)};
    Plant plant{port.lpt, dir.path.string(), {timers, timers, timers, timers, zone}};
    OutputEngine& engine = plant.engine;
    int ended = 0;
    OutputRunner runner{plant, [this] { ++ended; }};
    std::vector<std::string> trace;
};

TEST_F(OutputRunnerTest, StartSequenceSetsThePeriodAppliesThePolicyTransfersThenInitialises) {
    config.WritePrivateINIString("Configs", "TimeUpdate", "250");
    config.WritePrivateINIString("Configs", "ValLoad", "2");
    data.WritePrivateINIString("Devais_4", "Name", "Насос");
    const std::string file = readData();
    trace.clear();
    runner.startSequence();
    EXPECT_EQ(runner.Update_Tmr->interval(), 250);
    EXPECT_TRUE(runner.Update_Tmr->isActive());
    EXPECT_EQ(engine.state(1), 1);
    EXPECT_EQ(engine.name(4), "Насос");
    ASSERT_EQ(trace.size(), kTransferAccesses + 15u) << "one transfer, then the start sequence";
    EXPECT_EQ(trace[kTransferAccesses], "R 890 0x03");
    EXPECT_EQ(trace.back(), "W 890 0x03");
    EXPECT_EQ(readData(), file) << "starting writes nothing";
}

// The port as after power-up, not set up: with no refresh to repair it, the
// saved picture must still reach the latches.
TEST_F(OutputRunnerTest, WithTheRefreshStoppedTheSavedStatesAreLatchedOnceThePortIsSetUp) {
    config.WritePrivateINIString("Configs", "TimeUpdate", "0");
    std::string saved;
    for (int n = 1; n <= board::kOutputs; ++n)
        saved += "[" + deviceSection(n) + "]\r\nValue=" + (n <= 3 || n == 300 ? "0" : "1") + "\r\n";
    writeBytes(data.FileName(), saved);
    port.tap.Out32(kControlRegister, 0);
    runner.startSequence();
    for (int n = 1; n <= board::kOutputs; ++n) ASSERT_EQ(port.board.outputLevel(n), n <= 3 || n == 300) << n;
}

// Just saved, neither file's time stamps can be trusted yet, and still the
// start and the exit read each once; a Data.dat replaced during the start is
// seen after it.
TEST_F(OutputRunnerTest, StartAndExitReadEachFileOnceHoweverRecentlySaved) {
    config.WritePrivateINIString("Configs", "ValLoad", "3");
    data.WritePrivateINIString("Devais_2", "Value", "0");
    data.WritePrivateINIString("Devais_2", "Name", "Насос");
    engine.addListener(
        [this](const OutputChange&) { writeBytes(data.FileName(), "[Devais_2]\r\nName=\xCA\xF0\xE0\xED\r\n"); });
    const std::uint64_t before = wholeReadsSoFar();
    runner.startSequence();
    EXPECT_EQ(wholeReadsSoFar() - before, 2u);
    EXPECT_TRUE(engine.isOn(2));
    EXPECT_EQ(engine.name(2), "Насос");
    EXPECT_EQ(savedName(data, 2), "Кран");
    runner.exitSequence();
    EXPECT_EQ(wholeReadsSoFar() - before, 5u) << "the exit's look at each file, after that name's";
}

TEST_F(OutputRunnerTest, ExitSequenceAppliesThePolicyTransfersReleasesAndEndsOnce) {
    config.WritePrivateINIString("Configs", "ValUnload", "2");
    runner.startSequence();
    const std::uint64_t before = port.board.latchPulses();
    trace.clear();
    runner.exitSequence();
    runner.exitSequence();
    EXPECT_TRUE(runner.exiting());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(port.board.latchPulses(), before + 1);
    for (int n = 1; n <= board::kOutputs; ++n) ASSERT_EQ(port.board.outputLevel(n), 0) << n;
    EXPECT_EQ(trace.size(), kTransferAccesses + 2u);
    EXPECT_EQ(trace.back(), "W 890 0x23") << "the data lines are released last";
    EXPECT_FALSE(runner.Update_Tmr->isActive()) << "no transfer drives the lines again";
    EXPECT_FALSE(std::filesystem::exists(data.FileName())) << "the exit policy is not saved";
}

// A scene named for the start or the exit comes over its policy; a scene
// that is not there leaves the policy alone.
TEST_F(OutputRunnerTest, APolicysSceneComesOverItsStates) {
    config.WritePrivateINIString("Configs", "ValLoad", "2");
    config.WritePrivateINIString("Configs", "SceneLoad", "Вечер");
    config.WritePrivateINIString("Configs", "ValUnload", "2");
    config.WritePrivateINIString("Configs", "SceneUnload", "Нет");
    writeBytes(rulesPath(dir.path.string()), "\xEF\xBB\xBF[Scene Вечер]\r\nOn=5\r\n");
    plant.rules.reload();
    runner.startSequence();
    EXPECT_TRUE(engine.isOn(5));
    EXPECT_FALSE(engine.isOn(4));
    runner.exitSequence();
    EXPECT_EQ(port.board.outputLevel(5), 0) << "all off, as ValUnload says";
}

}  // namespace
}  // namespace kavtra::test
