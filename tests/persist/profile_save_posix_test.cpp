#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "persist/cls_ini.h"
#include "persist/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using test::readBytes;
using test::ScopedEnv;
using test::ScratchDir;
using test::StderrCapture;
using test::writeBytes;

// Runs body in a child process that cannot override file permissions (a
// root test run drops to "nobody" there) and returns its exit status, or -1
// when it did not exit normally. The child's standard error goes to stderrPath.
int runUnprivileged(const std::string& stderrPath, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ::dup2(err, 2);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(120);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProfileSave, KeepsPermissions) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0640);
    writePrivateProfileString("s", "k", "2", path);
    EXPECT_EQ(readBytes(path), "[s]\r\nk=2\r\n");
    EXPECT_EQ(fs::status(path).permissions(), static_cast<fs::perms>(0640));
}

TEST(ProfileSave, ASymbolicLinkStaysALinkAndTheFileItNamesChanges) {
    ScratchDir dir;
    fs::create_directory(dir.path / "real");
    writeBytes(dir.file("real/config.ini"), "[s]\r\nk=1\r\n");
    fs::create_symlink("real/config.ini", dir.path / "config.ini");
    fs::create_symlink("real/later.ini", dir.path / "dangling.ini");

    writePrivateProfileString("s", "k", "2", dir.file("config.ini"));
    writePrivateProfileString("s", "k", "3", dir.file("dangling.ini"));

    EXPECT_TRUE(fs::is_symlink(dir.path / "config.ini"));
    EXPECT_EQ(readBytes(dir.file("real/config.ini")), "[s]\r\nk=2\r\n");
    EXPECT_TRUE(fs::is_symlink(dir.path / "dangling.ini"));
    EXPECT_EQ(readBytes(dir.file("real/later.ini")), "[s]\r\nk=3\r\n");
}

TEST(ProfileSave, AWriteThatChangesNothingDoesNotReplaceTheFile) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    struct stat before {};
    ::stat(path.c_str(), &before);
    writePrivateProfileString("s", "k", "1", path);
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

// A directory the writing process may not change: as root the check runs in
// a child that has given up root's right to ignore permissions.
TEST(ProfileSave, AReadOnlyDirectoryKeepsTheFileAndTheFailureIsReportedOnce) {
    ScratchDir dir;
    fs::permissions(dir.path, static_cast<fs::perms>(0755));
    fs::create_directory(dir.path / "ro");
    const std::string path = dir.file("ro/config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    fs::permissions(dir.path / "ro", static_cast<fs::perms>(0555));
    const std::string errPath = dir.file("stderr");

    const int status = runUnprivileged(errPath, [&] {
        writePrivateProfileString("s", "k", "2", path);
        writePrivateProfileString("s", "k", "3", path);
        writePrivateProfileString("s", "new", "4", dir.file("ro/other.ini"));
        return getPrivateProfileString("s", "k", "", path) == "1" ? 0 : 1;
    });

    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
    EXPECT_EQ(namesIn(dir.path / "ro"), std::vector<std::string>{"config.ini"});
    EXPECT_EQ(readBytes(errPath),
              "kavtra: " + path + " not saved: cannot create the lock file: Permission denied\n"
              "kavtra: " + dir.file("ro/other.ini") + " not saved: cannot create the lock file: Permission denied\n");
}

TEST(ProfileSave, AReadOnlyFileInAWritableDirectoryIsNotReplaced) {
    ScratchDir dir;
    fs::permissions(dir.path, static_cast<fs::perms>(0777));
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    fs::permissions(path, static_cast<fs::perms>(0444));
    const std::string errPath = dir.file("stderr");

    EXPECT_EQ(runUnprivileged(errPath, [&] {
                  writePrivateProfileString("s", "k", "2", path);
                  return 0;
              }),
              0);
    EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n");
    EXPECT_EQ(readBytes(errPath), "kavtra: " + path + " not saved: cannot write the file: Permission denied\n");
}

// A full disk, made by a file size limit in a child: the temporary file
// cannot be written to its end, so the target must stay as it was.
TEST(ProfileSave, AFullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const std::string path = dir.file("Data.dat");
    const std::string before = "[Devais_1]\r\nName=short\r\n";
    writeBytes(path, before);
    const std::string errPath = dir.file("stderr");
    const pid_t child = ::fork();
    if (child == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ::dup2(err, 2);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        writePrivateProfileString("Devais_1", "Name", std::string(5000, 'x'), path);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(namesIn(dir.path), (std::vector<std::string>{"Data.dat", "Data.dat.lock", "stderr"}));
    EXPECT_EQ(readBytes(errPath), "kavtra: " + path + " not saved: cannot write: File too large\n");
}

// Each generation g writes Value=g into all 300 sections in one group; a
// process killed at any moment must leave one whole generation behind.
TEST(ProfileSave, AProcessKilledWhileSavingLeavesTheOldOrTheNewFile) {
    ScratchDir dir;
    const std::string path = dir.file("Data.dat");
    const auto writeGeneration = [&](int generation) {
        const ProfileWriteGroup group;
        for (int n = 1; n <= 300; ++n) {
            const std::string section = "Devais_" + std::to_string(n);
            writePrivateProfileString(section, "Value", std::to_string(generation), path);
            writePrivateProfileString(section, "Name", "Вывод " + std::to_string(n), path);
        }
    };
    writeGeneration(0);
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int generation = 1;; ++generation) writeGeneration(generation);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 17 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string generation = getPrivateProfileString("Devais_1", "Value", "missing", path);
        ASSERT_NE(generation, "missing") << "round " << round;
        for (int n = 1; n <= 300; ++n) {
            const std::string section = "Devais_" + std::to_string(n);
            ASSERT_EQ(getPrivateProfileString(section, "Value", "", path), generation) << section;
            ASSERT_EQ(getPrivateProfileString(section, "Name", "", path), "Вывод " + std::to_string(n)) << section;
        }
    }
    // Leftover temporary files of the killed writers do not disturb the next save.
    writeGeneration(99);
    EXPECT_EQ(getPrivateProfileString("Devais_300", "Value", "", path), "99");
}

TEST(ProfileSave, TwoProcessesWritingTheSameFileLoseNoneOfEachOthersKeys) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        if (children[c] == 0) {
            for (int i = 0; i < 60; ++i) {
                writePrivateProfileString("shared", "p" + std::to_string(c) + "_" + std::to_string(i), "v", path);
            }
            ::_exit(0);
        }
    }
    for (const pid_t child : children) ::waitpid(child, nullptr, 0);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < 60; ++i) {
            const std::string key = "p" + std::to_string(c) + "_" + std::to_string(i);
            EXPECT_EQ(getPrivateProfileString("shared", key, "lost", path), "v") << key;
        }
    }
}

TEST(ProfileUnreadable, SomethingOtherThanAFileGivesTheDefaultWithoutBlockingAndIsReportedOnce) {
    ScratchDir dir;
    const std::string directory = dir.file("config.ini");
    const std::string fifo = dir.file("Data.dat");
    std::filesystem::create_directory(directory);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    StderrCapture err(dir);
    EXPECT_EQ(getPrivateProfileString("s", "k", "def", directory), "def");
    EXPECT_EQ(getPrivateProfileString("s", "k", "def", directory), "def");
    EXPECT_EQ(getPrivateProfileString("s", "k", "def", fifo), "def");
    writePrivateProfileString("s", "k", "v", fifo);
    EXPECT_EQ(err.text(), "kavtra: " + directory + " not read: not a regular file\n"
                          "kavtra: " + fifo + " not read: not a regular file\n"
                          "kavtra: " + fifo + " not saved: not a regular file\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(ClsIni, TheSystemWideProfileIsAFileUnderTheUsersConfigurationDirectory) {
    ScratchDir dir;
    const ScopedEnv xdg("XDG_CONFIG_HOME", dir.path.c_str());
    const std::string profile = dir.file("kavtra/win.ini");
    EXPECT_EQ(systemProfilePath(), profile);

    clsINI ini;
    ini.FileName(dir.file("elsewhere.ini"));
    EXPECT_EQ(ini.GetWinINIString("windows", "device", "none"), "none");
    ini.WriteWinINIString("windows", "device", "LPT1");
    EXPECT_EQ(readBytes(profile), "[windows]\r\ndevice=LPT1\r\n");
    EXPECT_EQ(ini.GetWinINIString("Windows", "Device", "none"), "LPT1");
    EXPECT_FALSE(std::filesystem::exists(dir.file("elsewhere.ini")));
}

TEST(ClsIni, WithoutXdgConfigHomeTheProfileIsUnderTheHomeDirectory) {
    const ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    const ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(systemProfilePath(), "/home/someone/.config/kavtra/win.ini");
}

}  // namespace
}  // namespace kavtra
