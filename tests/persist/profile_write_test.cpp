#include <gtest/gtest.h>

#include <string>

#include "persist/profile/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::StderrCapture;
using test::writeBytes;

class ProfileWrite : public ::testing::Test {
protected:
    // The file's bytes after writing key=value into section of a file that
    // held before.
    std::string after(const std::string& before, std::string_view section, std::string_view key,
                      std::string_view value) {
        writeBytes(path, before);
        writePrivateProfileString(section, key, value, path);
        return readBytes(path);
    }
    ScratchDir dir;
    std::string path = dir.file("config.ini");
};

TEST_F(ProfileWrite, ReplacesOnlyTheValueAndKeepsEveryOtherByte) {
    const std::string before =
        "; settings\r\n"
        "[FormPosition]\r\n"
        "x=1000\r\n"
        "\r\n"
        "[Unknown]  note\r\n"
        "  ValLoad\t=  7 ; old\t \r\n"
        "junk line\r\n"
        "[Configs]\r\n"
        "  VALLOAD\t=  7 ; old\t \r\n"
        "TimeUpdate=100\r\n";
    std::string expected = before;
    expected.replace(expected.rfind("7 ; old"), 7, "2");
    EXPECT_EQ(after(before, "configs", "ValLoad", "2"), expected);
}

TEST_F(ProfileWrite, OnlyTheFirstOfDuplicateSectionsAndKeysChanges) {
    const std::string before = "[s]\r\nk=1\r\nK=2\r\n[S]\r\nk=3\r\nnew=4\r\n";
    EXPECT_EQ(after(before, "s", "k", "9"), "[s]\r\nk=9\r\nK=2\r\n[S]\r\nk=3\r\nnew=4\r\n");
    EXPECT_EQ(after(before, "S", "new", "5"), "[s]\r\nk=1\r\nK=2\r\nnew=5\r\n[S]\r\nk=3\r\nnew=4\r\n");
}

TEST_F(ProfileWrite, AMissingKeyGoesAfterTheLastKeyLineOfItsSection) {
    const std::string before =
        "[a]\r\n"
        "x=1\r\n"
        "; about y\r\n"
        "y=2\r\n"
        "\r\n"
        "; trailing comment of a\r\n"
        "[b]\r\n";
    EXPECT_EQ(after(before, "A", "z", "3"),
              "[a]\r\nx=1\r\n; about y\r\ny=2\r\nz=3\r\n\r\n; trailing comment of a\r\n[b]\r\n");
    EXPECT_EQ(after("[a]\r\n; only a comment\r\n[b]\r\n", "a", "z", "3"), "[a]\r\nz=3\r\n; only a comment\r\n[b]\r\n");
    EXPECT_EQ(after("[a]\r\nx=1", "a", "z", "3"), "[a]\r\nx=1\r\nz=3\r\n");
}

TEST_F(ProfileWrite, AMissingSectionGoesAtTheEndAfterALineEnd) {
    EXPECT_EQ(after("[a]\r\nx=1\r\n", "b", "y", "2"), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(after("[a]\r\nx=1", "b", "y", "2"), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(after("", "b", "y", "2"), "[b]\r\ny=2\r\n");
    // Lines before any section do not make one.
    EXPECT_EQ(after("y=1\r\n", "b", "y", "2"), "y=1\r\n[b]\r\ny=2\r\n");
}

TEST_F(ProfileWrite, NewLinesTakeTheLineEndsTheFileAlreadyHas) {
    EXPECT_EQ(after("[a]\nx=1\n", "a", "y", "2"), "[a]\nx=1\ny=2\n");
    EXPECT_EQ(after("[a]\nx=1", "b", "y", "2"), "[a]\nx=1\n[b]\ny=2\n");
    EXPECT_EQ(after("[a]\rx=1\r", "a", "y", "2"), "[a]\rx=1\ry=2\r");
    EXPECT_EQ(after("[a]\rx=1\r", "a", "x", "5"), "[a]\rx=5\r");
}

TEST_F(ProfileWrite, AMissingFileIsCreatedWithCrlfLines) {
    writePrivateProfileString("Configs", "ValLoad", "3", path);
    EXPECT_EQ(readBytes(path), "[Configs]\r\nValLoad=3\r\n");
}

TEST_F(ProfileWrite, ExistingSpellingOfNamesIsKeptAndNewNamesLoseTheirBlanks) {
    EXPECT_EQ(after("[CONFIGS]\r\nvalload=1\r\n", " configs ", "\tValLoad ", "2"), "[CONFIGS]\r\nvalload=2\r\n");
    EXPECT_EQ(after("", " Configs\t", " ValLoad ", " 2 "), "[Configs]\r\nValLoad= 2 \r\n");
    EXPECT_EQ(getPrivateProfileString("Configs", "ValLoad", "", path), "2");
}

TEST_F(ProfileWrite, LineBreaksInAValueAreWrittenAsBlanks) {
    const std::string injected = "Lamp\r\n[Devais_2]\nValue=0\rName=evil";
    EXPECT_EQ(after("[Devais_1]\r\nName=x\r\n", "Devais_1", "Name", injected),
              "[Devais_1]\r\nName=Lamp [Devais_2] Value=0 Name=evil\r\n");
    EXPECT_EQ(getPrivateProfileString("Devais_2", "Value", "missing", path), "missing");
}

TEST_F(ProfileWrite, NamesThatCouldNotBeFoundAgainAreRefusedAndReported) {
    const std::string before = "[s]\r\nk=1\r\n";
    writeBytes(path, before);
    StderrCapture err(dir);
    writePrivateProfileString("a]b", "k", "2", path);
    writePrivateProfileString("s\r\n[t]", "k", "2", path);
    writePrivateProfileString("s", "k=v", "2", path);
    writePrivateProfileString("s", "[t", "2", path);
    writePrivateProfileString("s", ";k", "2", path);
    writePrivateProfileString("s", "k\nx", "2", path);
    const std::string report = err.text();
    EXPECT_EQ(readBytes(path), before);
    EXPECT_NE(report.find(path + " not saved: a section name cannot hold a line break or ']'\n"), std::string::npos)
        << report;
    EXPECT_NE(report.find(path + " not saved: a key name cannot hold"), std::string::npos) << report;
}

TEST_F(ProfileWrite, CyrillicIsStoredAsWindows1251AndReadsBackUnchanged) {
    writePrivateProfileString("Devais_1", "Name", "Насос №2", path);
    EXPECT_EQ(readBytes(path), "[Devais_1]\r\nName=\xCD\xE0\xF1\xEE\xF1 \xB9\x32\r\n");
    EXPECT_EQ(getPrivateProfileString("devais_1", "NAME", "", path), "Насос №2");
    writePrivateProfileString("Устройства", "Имя", "Вывод", path);
    EXPECT_EQ(getPrivateProfileString("Устройства", "Имя", "", path), "Вывод");
}

TEST_F(ProfileWrite, CharactersWindows1251CannotHoldAreWrittenAsQuestionMarks) {
    EXPECT_EQ(after("", "s", "k", "café ✓ 中 €"), "[s]\r\nk=caf? ? ? \x88\r\n");
    EXPECT_EQ(after("", "s", "k", "broken \xFF utf-8"), "[s]\r\nk=broken ? utf-8\r\n");
}

TEST_F(ProfileWrite, AUtf8FileStaysUtf8WithItsMark) {
    EXPECT_EQ(after("\xEF\xBB\xBF[Configs]\nИмя=старое\n", "configs", "Имя", "новое ✓"),
              "\xEF\xBB\xBF[Configs]\nИмя=новое ✓\n");
    EXPECT_EQ(after("\xEF\xBB\xBF", "Раздел", "Ключ", "Значение"), "\xEF\xBB\xBF[Раздел]\r\nКлюч=Значение\r\n");
}

TEST_F(ProfileWrite, RemovingASectionTakesEveryLineUpToTheNextHeaderAndNothingElse) {
    const auto removed = [&](const std::string& before, std::string_view section) {
        writeBytes(path, before);
        removeProfileSection(section, path);
        return readBytes(path);
    };
    const std::string file = "; top\r\n[a]\r\nx=1\r\n[B]\r\ny=2\r\n; about c\r\n\r\n[c]\r\nz=3";
    EXPECT_EQ(removed(file, " b "), "; top\r\n[a]\r\nx=1\r\n[c]\r\nz=3");
    EXPECT_EQ(removed(file, "C"), "; top\r\n[a]\r\nx=1\r\n[B]\r\ny=2\r\n; about c\r\n\r\n");
    EXPECT_EQ(removed(file, "missing"), file);
    EXPECT_EQ(removed("[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s"), "[S]\r\nk=2\r\n");
    EXPECT_EQ(removed("[Group \xD2\xE5\xEF\xEB\xE8\xF6\xE0]\r\nk=1\r\n[b]\r\n", "Group Теплица"), "[b]\r\n");
    removeProfileSection("a", dir.file("absent.ini"));
    EXPECT_EQ(test::namesIn(dir.path), (std::vector<std::string>{"config.ini", "config.ini.lock"}));
}

TEST_F(ProfileWrite, AFileStartedAsUtf8GetsTheMarkOnlyWhenItIsMissingOrEmpty) {
    for (const std::string before : {"", "; old\r\n"}) {
        writeBytes(path, before);
        startProfileAsUtf8(path);
        EXPECT_EQ(readBytes(path), before.empty() ? "\xEF\xBB\xBF" : before);
    }
}

TEST_F(ProfileWrite, AUtf16FileIsLeftAsItIsAndTheRefusalReported) {
    const std::string before("\xFF\xFE[\0s\0]\0", 8);
    writeBytes(path, before);
    StderrCapture err(dir);
    writePrivateProfileString("s", "k", "v", path);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_NE(err.text().find(path + " not saved: the file is UTF-16 text"), std::string::npos);
}

}  // namespace
}  // namespace kavtra
