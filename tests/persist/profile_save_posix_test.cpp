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

#include "persist/platform/file_io.h"
#include "persist/profile/cls_ini.h"
#include "persist/profile/profile.h"
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

// Starts body in a child process that cannot override file permissions (a
// root test run drops to "nobody" there); the child's standard error goes to
// stderrPath.
pid_t startUnprivileged(const std::string& stderrPath, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ::dup2(err, 2);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(120);
        ::_exit(body());
    }
    return child;
}

// The child's exit status, or -1 when it did not exit normally.
int exitStatus(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runUnprivileged(const std::string& stderrPath, const std::function<int()>& body) {
    return exitStatus(startUnprivileged(stderrPath, body));
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
    EXPECT_EQ(readBytes(errPath), "kavtra: " + path +
                                      " not saved: cannot create the lock file: Permission denied\n"
                                      "kavtra: " +
                                      dir.file("ro/other.ini") +
                                      " not saved: cannot create the lock file: Permission denied\n");
}

TEST(ProfileSave, AReadOnlyFileInAWritableDirectoryIsNotReplaced) {
    ScratchDir dir;
    fs::permissions(dir.path, static_cast<fs::perms>(0777));
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[s]\r\nk=1\r\n");
    fs::permissions(path, static_cast<fs::perms>(0444));
    const std::string errPath = dir.file("stderr");

    EXPECT_EQ(runUnprivileged(errPath,
                              [&] {
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
    // The next save replaces the file all the same and takes away the
    // temporary files the killed writers left.
    writeGeneration(99);
    EXPECT_EQ(getPrivateProfileString("Devais_300", "Value", "", path), "99");
    EXPECT_EQ(namesIn(dir.path), (std::vector<std::string>{"Data.dat", "Data.dat.lock"}));
}

// The id of a process that has ended.
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(ProfileSave, ASaveRemovesOnlyTheTemporariesOfItsFileWhoseWriterHasEnded) {
    ScratchDir dir;
    const std::string path = dir.file("Data.dat");
    writeBytes(path, "[s]\r\nk=1\r\n");
    const pid_t live = ::fork();
    if (live == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string ended = std::to_string(endedProcess());
    const std::string self = std::to_string(::getpid());
    struct Leftover {
        std::string name;
        bool removed;
    };
    const Leftover leftovers[] = {
        {".Data.dat." + ended + ".0.tmp", true},
        // This process's id, left by an earlier process that had it.
        {".Data.dat." + self + ".7.tmp", true},
        {".Data.dat." + std::to_string(live) + ".0.tmp", false},
        {".Data.dat.bak." + ended + ".0.tmp", false},
        {".config.ini." + ended + ".0.tmp", false},
        {".Data.dat." + ended + ".tmp", false},
        {".Data.dat." + ended + ".0.tmp~", false},
        {"Data.dat." + ended + ".0.tmp", false},
    };
    for (const Leftover& leftover : leftovers) writeBytes(dir.file(leftover.name), "[s]\r\nk=0\r\n");

    writePrivateProfileString("s", "k", "2", path);
    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);

    EXPECT_EQ(readBytes(path), "[s]\r\nk=2\r\n");
    for (const Leftover& leftover : leftovers) {
        EXPECT_EQ(fs::exists(dir.path / leftover.name), !leftover.removed) << leftover.name;
    }
}

// The lock file of a data file everyone may write, made by root (as direct
// I/O needs): a user's save locks it through a read-only handle, and the lock
// still keeps a second writer waiting.
TEST(ProfileSave, ALockFileTheWriterMayNotWriteStillLocksTheSave) {
    ScratchDir dir;
    fs::permissions(dir.path, static_cast<fs::perms>(0777));
    const std::string path = dir.file("Data.dat");
    writeBytes(path, "[s]\r\nk=1\r\n");
    fs::permissions(path, static_cast<fs::perms>(0666));
    writeBytes(path + ".lock", "");
    fs::permissions(path + ".lock", static_cast<fs::perms>(0444));
    const std::string errPath = dir.file("stderr");

    // The writer is started before the lock is taken, so that it does not
    // inherit the locked descriptor; it saves once told the lock is held.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t writer = startUnprivileged(errPath, [&] {
        char byte = 0;
        if (::read(go[0], &byte, 1) != 1) return 2;
        writePrivateProfileString("s", "k", "2", path);
        return 0;
    });
    {
        const FileLock held(path);
        ASSERT_EQ(held.error(), "");
        ASSERT_EQ(::write(go[1], "x", 1), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(readBytes(path), "[s]\r\nk=1\r\n") << "the save did not wait for the lock";
    }
    EXPECT_EQ(exitStatus(writer), 0);
    ::close(go[0]);
    ::close(go[1]);
    EXPECT_EQ(readBytes(path), "[s]\r\nk=2\r\n");
    EXPECT_EQ(readBytes(errPath), "");
}

TEST(ProfileSave, ANewLockFileTakesTheDataFilesPermissionsAndOwner) {
    const mode_t umaskBefore = ::umask(022);
    struct Case {
        const char* name;
        int dataMode;  // -1: no data file yet
        int lockMode;
    };
    for (const Case& c :
         {Case{"shared", 0666, 0666}, Case{"group", 0640, 0640}, Case{"private", 0600, 0600}, Case{"new", -1, 0644}}) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string path = dir.file("Data.dat");
        if (c.dataMode >= 0) {
            writeBytes(path, "[s]\r\nk=1\r\n");
            ::chmod(path.c_str(), static_cast<mode_t>(c.dataMode));
            // As root: the data file of a user.
            if (::geteuid() == 0) {
                ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
            }
        }
        writePrivateProfileString("s", "k", "2", path);
        struct stat data {};
        struct stat lock {};
        ASSERT_EQ(::stat(path.c_str(), &data), 0);
        ASSERT_EQ(::stat((path + ".lock").c_str(), &lock), 0);
        EXPECT_EQ(lock.st_mode & 07777, static_cast<mode_t>(c.lockMode));
        EXPECT_EQ(lock.st_uid, data.st_uid);
        EXPECT_EQ(lock.st_gid, data.st_gid);
    }
    ::umask(umaskBefore);
}

// A rewrite in place that keeps the size and sets the modification time back
// (as "cp -p" or a file system with coarse times does) is another file to a
// read all the same.
TEST(ProfileReadAgain, ARewriteKeepingSizeAndModificationTimeIsSeen) {
    ScratchDir dir;
    const std::string path = dir.file("Data.dat");
    const timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    writeBytes(path, "[s]\r\nk=1\r\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(getPrivateProfileString("s", "k", "", path), "1");

    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, "2", 1, 7), 1);
    ::close(fd);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(getPrivateProfileString("s", "k", "", path), "2");
}

// Files whose last change lies seconds back are read once and then served
// from the parsed copy; every way of changing them is still seen at once.
TEST(ProfileReadAgain, ChangesToFilesReadBeforeAreSeenAtOnce) {
    ScratchDir dir;
    const timespec old[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    const auto inPlace = [&](const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        EXPECT_EQ(::pwrite(fd, "2", 1, 7), 1);
        ::close(fd);
        ::utimensat(AT_FDCWD, path.c_str(), old, 0);
    };
    const auto renamedOver = [&](const std::string& path) {
        writeBytes(path + ".new", "[s]\r\nk=2\r\n");
        ::utimensat(AT_FDCWD, (path + ".new").c_str(), old, 0);
        fs::rename(path + ".new", path);
    };
    const auto truncatedAndWritten = [&](const std::string& path) { writeBytes(path, "[s]\r\nk=2\r\n"); };
    const auto removed = [&](const std::string& path) { fs::remove(path); };
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        const char* after;
    };
    const Case cases[] = {
        {"in place", inPlace, "2"},
        {"renamed over", renamedOver, "2"},
        {"truncated and written", truncatedAndWritten, "2"},
        {"removed", removed, "default"},
        {"untouched", [](const std::string&) {}, "1"},
    };
    for (const Case& c : cases) {
        writeBytes(dir.file(c.name), "[s]\r\nk=1\r\n");
        ::utimensat(AT_FDCWD, dir.file(c.name).c_str(), old, 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    for (const Case& c : cases) ASSERT_EQ(getPrivateProfileString("s", "k", "default", dir.file(c.name)), "1");
    for (const Case& c : cases) c.change(dir.file(c.name));
    for (const Case& c : cases) {
        EXPECT_EQ(getPrivateProfileString("s", "k", "default", dir.file(c.name)), c.after) << c.name;
        EXPECT_EQ(getPrivateProfileString("S", "K", "default", dir.file(c.name)), c.after) << c.name;
    }
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
    EXPECT_EQ(err.text(), "kavtra: " + directory +
                              " not read: not a regular file\n"
                              "kavtra: " +
                              fifo +
                              " not read: not a regular file\n"
                              "kavtra: " +
                              fifo + " not saved: not a regular file\n");
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
