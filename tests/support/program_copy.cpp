#include "tests/support/program_copy.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "tests/support/file_bytes.h"
#include "tests/support/other_user.h"

namespace kavtra::test {

namespace fs = std::filesystem;

ProgramCopy::ProgramCopy(const fs::path& folder, const std::string& builtProgram)
    : dir(folder),
      program(folder / fs::path(builtProgram).filename()),
      environment(QProcessEnvironment::systemEnvironment()) {
    // The programs with and without the window lie beside the one users start.
    const fs::path built = builtProgram;
    for (const fs::path& part :
         {built, built.parent_path() / "kavtra-window", built.parent_path() / "kavtra-no-window"})
        fs::copy_file(part, dir / part.filename(), fs::copy_options::overwrite_existing);
    environment.insert("KAVTRA_PORT", "sim");
    environment.insert("KAVTRA_PORT_TRACE", QString::fromStdString((dir / "trace").string()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.string()));
    environment.insert("XDG_DATA_HOME", QString::fromStdString(dir.string()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
}

std::unique_ptr<QProcess> ProgramCopy::start(const QStringList& arguments, bool window) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = environment;
    // Without a window the program needs no display at all.
    if (!window)
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
    process->setProcessEnvironment(env);
    prepare(*process);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QString::fromStdString(program.string()), arguments);
    EXPECT_TRUE(process->waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return run({"--get", "1"}).status == 0; }, 20000)) << "the copy answers";
    return process;
}

ProgramCopy::Run ProgramCopy::run(const QStringList& arguments, const QProcessEnvironment& env) const {
    QProcess process;
    process.setProcessEnvironment(env);
    prepare(process);
    process.start(QString::fromStdString(program.string()), arguments);
    Run result;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "the command did not end";
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

void ProgramCopy::prepare(QProcess& process) const {
    if (!user) return;
    const uid_t uid = *user;
    process.setChildProcessModifier([uid] {
        if (!becomeUser(uid)) ::_exit(127);
    });
}

std::vector<PortAccess> ProgramCopy::readTrace(const fs::path& path) {
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

}  // namespace kavtra::test
