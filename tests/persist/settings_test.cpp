#include "persist/files/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;

class SettingsFile : public ::testing::Test {
protected:
    void setFile(const std::string& bytes) { writeBytes(configPath(dir.path.string()), bytes); }
    ScratchDir dir;
    clsINI config = pointedAt(configPath(dir.path.string()));
    Settings settings{config};

    static clsINI pointedAt(const std::string& path) {
        clsINI ini;
        ini.FileName(path);
        return ini;
    }
};

TEST(SettingsPaths, AreTheProgramDirectoryFollowedDirectlyByTheFileName) {
    EXPECT_EQ(configPath("/opt/kavtra"), "/opt/kavtra/config.ini");
    EXPECT_EQ(dataPath("/opt/kavtra"), "/opt/kavtra/Data.dat");
    EXPECT_EQ(configPath("/opt/kavtra/"), "/opt/kavtra//config.ini");
}

TEST_F(SettingsFile, WithoutAFileEveryKeyHasItsDefault) {
    EXPECT_EQ(settings.x(), 1000);
    EXPECT_EQ(settings.y(), 1000);
    EXPECT_EQ(settings.height(), 6200);
    EXPECT_EQ(settings.width(), 9300);
    EXPECT_EQ(settings.listWidth1(), 3000);
    EXPECT_EQ(settings.listWidth2(), 1500);
    EXPECT_EQ(settings.timeUpdate(), 100);
    EXPECT_EQ(settings.timeUpdateText(), "100");
    EXPECT_EQ(settings.valLoad(), kPolicyRemembered);
    EXPECT_EQ(settings.valUnload(), kPolicyRemembered);
    EXPECT_FALSE(std::filesystem::exists(configPath(dir.path.string())));
}

TEST_F(SettingsFile, EveryAccessorReadsTheFileAnew) {
    setFile("[configs]\r\nvalload=2\r\n");
    EXPECT_EQ(settings.valLoad(), kPolicyAllOff);
    setFile("[configs]\r\nvalload=1\r\n");
    EXPECT_EQ(settings.valLoad(), kPolicyAllOn);
    EXPECT_EQ(config.FileName(), configPath(dir.path.string()));
}

TEST_F(SettingsFile, GeometryIsReadByTheNumericReading) {
    setFile(
        "[FormPosition]\r\nx=-60\r\ny=abc\r\nHeight=\r\nWidth=12.5e2px\r\n"
        "[ListPosition]\r\nlist_Width1=1e300\r\nlist_Width2=-1e300\r\n");
    EXPECT_EQ(settings.x(), -60);
    EXPECT_EQ(settings.y(), 0);
    EXPECT_EQ(settings.height(), 0);
    EXPECT_EQ(settings.width(), 1250);
    EXPECT_EQ(settings.listWidth1(), FLT_MAX);
    EXPECT_EQ(settings.listWidth2(), -FLT_MAX);
}

TEST_F(SettingsFile, TransferPeriodIsTrimmedReadAndRoundedHalfToEven) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {" 250 ", 250},
        {"250.5", 250},
        {"251.5", 252},
        {"150.5", 150},
        {"&H1F", 31},
        {"1 2 3", 123},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"0", 0},
        // A negative reading stops the timer like a text that is no number.
        {"-5", 0},
        {"-0.5", 0},
        // Beyond what a timer accepts: the longest period it does accept.
        {"3e9", kLargestPeriod},
        {"1e400", kLargestPeriod}};
    for (const auto& [text, period] : cases) {
        setFile(std::string("[Configs]\r\nTimeUpdate=") + text + "\r\n");
        EXPECT_EQ(settings.timeUpdate(), period) << '"' << text << '"';
    }
    setFile("[Configs]\r\nTimeUpdate=\t 250.5 \r\n");
    EXPECT_EQ(settings.timeUpdateText(), "250.5");
}

TEST_F(SettingsFile, PoliciesNeedAWholeNumberAndOtherwiseAreTheRememberedStates) {
    const std::pair<const char*, std::int16_t> cases[] = {{"1", 1},
                                                          {" 2 ", 2},
                                                          {"3", 3},
                                                          {"7", 7},
                                                          {"-1", -1},
                                                          {"0", 0},
                                                          // Not a whole number in the 16-bit range: the same code the
                                                          // options dialog keeps selected for it.
                                                          {"", 3},
                                                          {"abc", 3},
                                                          {"1.5", 3},
                                                          {"2x", 3},
                                                          {"40000", 3},
                                                          {"&H1", 3}};
    for (const auto& [text, code] : cases) {
        setFile(std::string("[Configs]\r\nValLoad=") + text + "\r\nValUnload=" + text + "\r\n");
        EXPECT_EQ(settings.valLoad(), code) << '"' << text << '"';
        EXPECT_EQ(settings.valUnload(), code) << '"' << text << '"';
    }
}

TEST_F(SettingsFile, AFirstStartAndOneConfirmedOptionsDialogWriteTheDocumentedFile) {
    settings.writeX(1000);
    settings.writeY(1000);
    settings.writeHeight(6200);
    settings.writeWidth(9300);
    settings.writeListWidth1(3000);
    settings.writeListWidth2(1500);
    settings.writeValLoad(3);
    settings.writeValUnload(3);
    settings.writeTimeUpdate("  100 ");
    EXPECT_EQ(readBytes(configPath(dir.path.string())),
              "[FormPosition]\r\nx=1000\r\ny=1000\r\nHeight=6200\r\nWidth=9300\r\n"
              "[ListPosition]\r\nlist_Width1=3000\r\nlist_Width2=1500\r\n"
              "[Configs]\r\nValLoad=3\r\nValUnload=3\r\nTimeUpdate=100\r\n");
}

TEST_F(SettingsFile, WrittenValuesReadBackAndOtherKeysStay) {
    setFile("[formposition]\r\nX=5\r\n; mine\r\n[Configs]\r\nOwn=1\r\n");
    settings.writeX(-60);
    settings.writeListWidth2(1234.5f);
    settings.writeValUnload(kPolicyAllOn);
    settings.writeTimeUpdate("250.5");
    EXPECT_EQ(settings.x(), -60);
    EXPECT_EQ(settings.listWidth2(), 1234.5f);
    EXPECT_EQ(settings.valUnload(), kPolicyAllOn);
    EXPECT_EQ(settings.timeUpdate(), 250);
    EXPECT_EQ(readBytes(configPath(dir.path.string())),
              "[formposition]\r\nX=-60\r\n; mine\r\n[Configs]\r\nOwn=1\r\nValUnload=1\r\nTimeUpdate=250.5\r\n"
              "[ListPosition]\r\nlist_Width2=1234.5\r\n");
}

}  // namespace
}  // namespace kavtra
