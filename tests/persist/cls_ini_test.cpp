#include "persist/cls_ini.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "tests/persist/file_fixture.h"

namespace kavtra {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

TEST(ClsIni, StartsOnTheExecutablesBaseNameWithIni) { EXPECT_EQ(clsINI().FileName(), "persist_tests.ini"); }

TEST(ClsIni, ReadsAndWritesTheFileItNamesNow) {
    TempDir dir;
    const std::string config = dir.file("config.ini");
    const std::string data = dir.file("Data.dat");
    writeBytes(config, "[Configs]\r\nValLoad=2\r\n");
    clsINI ini;
    ini.FileName(config);
    EXPECT_EQ(ini.GetPrivateINIString("configs", "VALLOAD", "3"), "2");
    ini.FileName(data);
    EXPECT_EQ(ini.GetPrivateINIString("Configs", "ValLoad", "3"), "3");
    ini.WritePrivateINIString("Devais_1", "Name", "Лампа");
    EXPECT_EQ(readBytes(data), "[Devais_1]\r\nName=\xCB\xE0\xEC\xEF\xE0\r\n");
    EXPECT_EQ(readBytes(config), "[Configs]\r\nValLoad=2\r\n");
}

TEST(ClsIni, KeepsNoCacheEveryReadSeesTheFileAsItIsNow) {
    TempDir dir;
    clsINI ini;
    ini.FileName(dir.file("config.ini"));
    EXPECT_EQ(ini.GetPrivateINIString("Configs", "TimeUpdate", "100"), "100");
    writeBytes(dir.file("config.ini"), "[Configs]\nTimeUpdate=250\n");
    EXPECT_EQ(ini.GetPrivateINIString("Configs", "TimeUpdate", "100"), "250");
    writeBytes(dir.file("config.ini"), "[Configs]\nTimeUpdate=50\n");
    EXPECT_EQ(ini.GetPrivateINIString("Configs", "TimeUpdate", "100"), "50");
}

// Sets an environment variable (or removes it) for the life of the object.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old != nullptr) saved_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvironmentOverride() {
        if (saved_) {
            ::setenv(name_, saved_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(ClsIni, TheSystemWideProfileIsAFileUnderTheUsersConfigurationDirectory) {
    TempDir dir;
    const EnvironmentOverride xdg("XDG_CONFIG_HOME", dir.path.c_str());
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
    const EnvironmentOverride xdg("XDG_CONFIG_HOME", nullptr);
    const EnvironmentOverride home("HOME", "/home/someone");
    EXPECT_EQ(systemProfilePath(), "/home/someone/.config/kavtra/win.ini");
}

}  // namespace
}  // namespace kavtra
