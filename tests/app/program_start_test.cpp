#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "control/socket_place.h"
#include "tests/support/file_bytes.h"
#include "tests/support/program_copy.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// Without any display the window cannot open: the start says so in one line
// of its own and ends as a start that could not be made, having touched
// neither the port nor the files.
TEST(ProgramStart, WithoutADisplayTheWindowsStartSaysWhatToDoInOneLineAndEndsWithStatusOne) {
    ScratchDir dir;
    ProgramCopy copy(dir.path, KAVTRA_PROGRAM);
    QProcessEnvironment env = copy.environment;
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
    const ProgramCopy::Run run = copy.run({}, env);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("kavtra --no-window"), std::string::npos) << run.err;
    for (const char* name : {"trace", "config.ini", "Data.dat"}) EXPECT_FALSE(std::filesystem::exists(dir.path / name));
}

// A start that ends before it runs is a normal end too: the single-copy
// check has made the command socket by the time the port is opened.
TEST(ProgramStart, APortThatCannotBeOpenedEndsTheStartAndTakesTheCommandSocketAlong) {
    ScratchDir dir;
    ProgramCopy copy(dir.path, KAVTRA_PROGRAM);
    QProcessEnvironment environment = copy.environment;
    environment.insert("KAVTRA_PORT", "/dev/parport9");
    const ProgramCopy::Run run = copy.run({"--no-window"}, environment);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("/dev/parport9"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(commandSocketPlace(dir.path.string()).serverName));
}

// Offered the modelled board for a port that cannot be opened, a program
// that takes it runs its start on the model, traced as asked, and names the
// port it stands in for; declined, the failure goes to the handler before
// either file is touched.
TEST(ProgramStart, APortThatCannotBeOpenedCanGiveWayToTheModelledBoardForTheRun) {
    for (const bool taken : {true, false}) {
        ScratchDir dir;
        const ScopedEnv port("KAVTRA_PORT", "/dev/parport9");
        const ScopedEnv trace("KAVTRA_PORT_TRACE", (dir.path / "trace").c_str());
        std::string said;  // o: offered, f: told as a failure
        const auto build = [&] {
            return Program(
                dir.path.string(), [&](const PortFailure& f) { said += "f" + f.device; },
                [&](const PortFailure& f) { return said += "o" + f.device, taken; });
        };
        if (!taken) {
            EXPECT_THROW(build(), PortUnavailable);
            EXPECT_EQ(said, "o/dev/parport9f/dev/parport9");
            EXPECT_FALSE(std::filesystem::exists(dir.path / "Data.dat") ||
                         std::filesystem::exists(dir.path / "config.ini"));
            continue;
        }
        // A stopped refresh: only the start's own transfer latches the picture.
        writeBytes((dir.path / "config.ini").string(), "[Configs]\r\nTimeUpdate=0\r\n");
        const Program program = build();
        EXPECT_EQ(said, "o/dev/parport9");
        EXPECT_EQ(program.unopenedPort.value_or(PortFailure{}).device, "/dev/parport9");
        EXPECT_NE(program.port->simulated(), nullptr);
        EXPECT_GT(std::filesystem::file_size(dir.path / "trace"), 0u);  // the start's transfer
        // The bench window's model heard it too: a first start switches every output on.
        EXPECT_EQ(program.board->outputLevel(1) + program.board->outputLevel(300), 2);
    }
}

}  // namespace
}  // namespace kavtra::test
