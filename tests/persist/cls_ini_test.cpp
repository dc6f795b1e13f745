#include "persist/profile/cls_ini.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;

TEST(ClsIni, StartsOnTheExecutablesBaseNameWithIni) { EXPECT_EQ(clsINI().FileName(), "persist_tests.ini"); }

TEST(ClsIni, ReadsAndWritesTheFileItNamesNow) {
    ScratchDir dir;
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
    ScratchDir dir;
    clsINI ini;
    ini.FileName(dir.file("config.ini"));
    EXPECT_EQ(ini.GetPrivateINIString("Configs", "TimeUpdate", "100"), "100");
    writeBytes(dir.file("config.ini"), "[Configs]\nTimeUpdate=250\n");
    EXPECT_EQ(ini.GetPrivateINIString("Configs", "TimeUpdate", "100"), "250");
    writeBytes(dir.file("config.ini"), "[Configs]\nTimeUpdate=50\n");
    EXPECT_EQ(ini.GetPrivateINIString("Configs", "TimeUpdate", "100"), "50");
}

}  // namespace
}  // namespace kavtra
