#include <gtest/gtest.h>

#include <signal.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "outputs/shift_board.h"
#include "outputs/transfer.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

namespace fs = std::filesystem;

std::vector<PortAccess> readTrace(const fs::path& path) {
    std::vector<PortAccess> accesses;
    std::istringstream lines(readBytes(path));
    for (std::string line; std::getline(lines, line);) {
        char kind = 0;
        int address = 0;
        unsigned value = 0;
        if (std::sscanf(line.c_str(), "%c %d 0x%x", &kind, &address, &value) != 3) continue;
        accesses.push_back({kind == 'W' ? PortAccess::Kind::Write : PortAccess::Kind::Read,
                            static_cast<std::int16_t>(address), static_cast<std::uint8_t>(value)});
    }
    return accesses;
}

// The start sequence is one transfer (205 accesses) and Init_Outs (15).
constexpr std::size_t kStarted = kTransferAccesses + 15;

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
    const fs::path program = dir.path / "kavtra";
    fs::copy_file(KAVTRA_PROGRAM, program);
    std::ofstream(dir.path / "config.ini", std::ios::binary)
        << "[Configs]\r\nValLoad=3\r\nValUnload=" << c.valUnload << "\r\n";
    std::ofstream(dir.path / "Data.dat", std::ios::binary) << "[Devais_1]\r\nValue=1\r\n";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KAVTRA_PORT", "sim");
    env.insert("KAVTRA_PORT_TRACE", QString::fromStdString((dir.path / "trace").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.path.string()));
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.path.string()));
    if (c.window) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        // Without a window the program needs no display at all.
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QString::fromStdString(program.string()),
                  c.window ? QStringList{} : QStringList{QStringLiteral("--no-window")});
    ASSERT_TRUE(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(readTrace(dir.path / "trace").size() >= kStarted, 20000);

    const std::string data = "[Devais_1]\r\nValue=1\r\n[Devais_2]\r\nValue=1\r\n";
    std::ofstream(dir.path / "Data.dat", std::ios::binary) << data;
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), c.signal), 0);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);

    ShiftBoard board;
    int releases = 0;
    for (const PortAccess& a : readTrace(dir.path / "trace")) {
        board.onAccess(a);
        if (a.kind == PortAccess::Kind::Write && a.address == 890 && (a.value & 0x20)) ++releases;
    }
    EXPECT_EQ(board.outputLevel(1), c.level1);
    EXPECT_EQ(board.outputLevel(2), c.level2);
    EXPECT_EQ(board.outputLevel(300), c.valUnload == std::string("2") ? 0 : 1);
    EXPECT_TRUE(board.pins().dataInput) << "the data lines are released";
    EXPECT_EQ(releases, 1) << "the exit sequence runs once";
    EXPECT_EQ(readBytes(dir.path / "Data.dat"), data) << "the exit writes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Signals, ProgramExitTest,
    ::testing::Values(Case{"WindowTermAllOn", true, SIGTERM, "1", 1, 1},
                      Case{"WindowIntAllOff", true, SIGINT, "2", 0, 0},
                      Case{"WindowHupRemembered", true, SIGHUP, "3", 0, 0},
                      Case{"HeadlessTermRemembered", false, SIGTERM, "3", 0, 0},
                      Case{"HeadlessIntAllOn", false, SIGINT, "1", 1, 1},
                      Case{"HeadlessHupAllOff", false, SIGHUP, "2", 0, 0}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.what); });

}  // namespace
}  // namespace kavtra::test
