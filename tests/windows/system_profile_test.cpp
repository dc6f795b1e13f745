#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "persist/profile/cls_ini.h"
#include "tests/windows/native_profile.h"

namespace kavtra {
namespace {

// A section of the test's own in the system-wide profile, removed again.
struct TestSection {
    ~TestSection() { ::WriteProfileStringA(name, nullptr, nullptr); }
    const char* name = "KavtraTest";
};

TEST(SystemProfile, ClsIniWritesAndReadsWhatTheNativeFunctionsDo) {
    ASSERT_EQ(::GetACP(), 1251u) << "run the test in the Russian locale (LC_ALL=ru_RU.UTF-8 under Wine)";
    TestSection section;
    clsINI ini;
    ini.FileName("unused.ini");
    EXPECT_EQ(ini.GetWinINIString(section.name, "Имя", "нет"), "нет");

    ini.WriteWinINIString(section.name, "Имя", "Вывод №1");
    EXPECT_EQ(test::nativeGetProfileString(section.name, "Имя", "нет"), "Вывод №1");
    EXPECT_EQ(ini.GetWinINIString("kavtratest", "Имя", "нет"), "Вывод №1");

    test::nativeWriteProfileString(section.name, "Port", "LPT1");
    EXPECT_EQ(ini.GetWinINIString(section.name, "PORT", ""), "LPT1");
    EXPECT_EQ(ini.GetWinINIString(section.name, "missing", ""), "");
    EXPECT_FALSE(std::filesystem::exists("unused.ini"));
}

}  // namespace
}  // namespace kavtra
