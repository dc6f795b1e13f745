#include <gtest/gtest.h>

#include <string>

#include "persist/profile/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stderr_capture.h"

namespace kavtra {
namespace {

using test::ScratchDir;
using test::writeBytes;

class ProfileRead : public ::testing::Test {
protected:
    std::string read(const std::string& bytes, std::string_view section, std::string_view key,
                     std::string_view def = "<default>") {
        writeBytes(path, bytes);
        return getPrivateProfileString(section, key, def, path);
    }
    ScratchDir dir;
    std::string path = dir.file("config.ini");
};

TEST_F(ProfileRead, NamesMatchInAnyLetterCaseAndTheFirstSectionAndKeyWin) {
    const std::string file =
        "[configs]\r\nVALLOAD=2\r\nvalload=1\r\n"
        "[Configs]\r\nValLoad=3\r\nTimeUpdate=250\r\n";
    EXPECT_EQ(read(file, "Configs", "ValLoad"), "2");
    EXPECT_EQ(read(file, "CONFIGS", "valLOAD"), "2");
    // The second [Configs] is never consulted, even for a key the first lacks.
    EXPECT_EQ(read(file, "Configs", "TimeUpdate"), "<default>");
}

TEST_F(ProfileRead, BlanksAroundNamesAndValuesAndAStrayCarriageReturnAreNotPartOfThem) {
    const std::string file =
        "  [ Configs ]  trailing text\r\n"
        " \t ValLoad \v= \t 2 3 \t\r\r\n"
        "Name=  \"quoted\"  \n";
    EXPECT_EQ(read(file, "Configs", "ValLoad"), "2 3");
    EXPECT_EQ(read(file, "  Configs\t", " ValLoad "), "2 3");
    EXPECT_EQ(read(file, "Configs", "Name"), "\"quoted\"");
}

TEST_F(ProfileRead, PresentEmptyValueIsEmptyAndWhatIsMissingGivesTheDefault) {
    const std::string file = "[s]\r\nempty=\r\nblank=   \r\n";
    EXPECT_EQ(read(file, "s", "empty"), "");
    EXPECT_EQ(read(file, "s", "blank"), "");
    EXPECT_EQ(read(file, "s", "missing"), "<default>");
    EXPECT_EQ(read(file, "missing", "empty"), "<default>");
    EXPECT_EQ(read(file, "s", "missing", ""), "");
    EXPECT_EQ(getPrivateProfileString("s", "empty", "fallback", dir.file("absent.ini")), "fallback");
    EXPECT_EQ(getPrivateProfileString("s", "empty", "fallback", dir.file("no/such/dir.ini")), "fallback");
}

TEST_F(ProfileRead, CommentsOnlyAtLineStartAndLinesWithoutEqualsAreNoKeys) {
    const std::string file =
        "orphan=before any section\r\n"
        "[s]\r\n"
        "; key=commented\r\n"
        "  ;indented=commented too\r\n"
        "plain line\r\n"
        "key=value ; not a comment\r\n"
        "#hash=is a key\r\n"
        "plain line=\r\n";
    EXPECT_EQ(read(file, "s", "key"), "value ; not a comment");
    EXPECT_EQ(read(file, "s", "; key"), "<default>");
    EXPECT_EQ(read(file, "s", ";indented"), "<default>");
    EXPECT_EQ(read(file, "s", "plain line"), "");
    EXPECT_EQ(read(file, "s", "#hash"), "is a key");
    EXPECT_EQ(read(file, "", "orphan"), "<default>");
}

TEST_F(ProfileRead, SectionNameEndsAtTheFirstClosingBracket) {
    const std::string file = "[a]b]\r\nk=1\r\n[unclosed\r\nk=2\r\n";
    EXPECT_EQ(read(file, "a", "k"), "1");
    EXPECT_EQ(read(file, "a]b", "k"), "<default>");
    EXPECT_EQ(read(file, "unclosed", "k"), "2");
}

TEST_F(ProfileRead, CrlfLfAndCrFilesReadAlike) {
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        const std::string file = "[a]" + end + "x=1" + end + "[b]" + end + "y=2";
        EXPECT_EQ(read(file, "a", "x"), "1") << "line end " << end.size();
        EXPECT_EQ(read(file, "b", "y"), "2") << "line end " << end.size();
        EXPECT_EQ(read(file, "a", "y"), "<default>") << "line end " << end.size();
    }
}

TEST_F(ProfileRead, ValuesAndDefaultsAreCutTo511Characters) {
    const std::string latin(600, 'n');
    EXPECT_EQ(read("[s]\r\nk=" + latin + "\r\n", "s", "k"), latin.substr(0, 511));
    EXPECT_EQ(read("[s]\r\n", "s", "k", latin), latin.substr(0, 511));
    // Windows-1251: one byte a letter on disk, two bytes a letter in memory.
    std::string cyrillicDisk;
    std::string cyrillic;
    for (int i = 0; i < 600; ++i) cyrillicDisk += "\xC6";
    for (int i = 0; i < 511; ++i) cyrillic += "Ж";
    EXPECT_EQ(read("[s]\r\nk=" + cyrillicDisk + "\r\n", "s", "k"), cyrillic);
    std::string cyrillicUtf8 = cyrillic;
    for (int i = 511; i < 600; ++i) cyrillicUtf8 += "Ж";
    EXPECT_EQ(read("\xEF\xBB\xBF[s]\r\nk=" + cyrillicUtf8 + "\r\n", "s", "k"), cyrillic);
    EXPECT_EQ(read("[s]\r\n", "s", "k", cyrillicUtf8), cyrillic);
}

TEST_F(ProfileRead, TextsAreWindows1251OnDisk) {
    // [Устройства] Имя=Вывод №1 ; "\x98" is the one byte Windows-1251 leaves undefined.
    const std::string file =
        "[\xD3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\xE0]\r\n\xC8\xEC\xFF=\xC2\xFB\xE2\xEE\xE4 \xB9\x31\r\nodd=a\x98z\r\n";
    EXPECT_EQ(read(file, "Устройства", "Имя"), "Вывод №1");
    EXPECT_EQ(read(file, "Устройства", "odd"), "a?z");
}

TEST_F(ProfileRead, AFileWithAUtf8ByteOrderMarkIsUtf8) {
    const std::string file = "\xEF\xBB\xBF[Configs]\r\nИмя=Вывод 1\r\n";
    EXPECT_EQ(read(file, "Configs", "Имя"), "Вывод 1");
}

TEST_F(ProfileRead, AUtf16FileGivesTheDefault) {
    EXPECT_EQ(read(std::string("\xFF\xFE[\0s\0]\0", 8), "s", "k"), "<default>");
}

TEST_F(ProfileRead, SectionNamesComeInFileOrderOnceEachInUtf8) {
    using Names = std::vector<std::string>;
    const auto names = [&](const std::string& bytes) {
        writeBytes(path, bytes);
        return profileSectionNames(path);
    };
    test::StderrCapture err(dir);
    EXPECT_EQ(names("k=0\r\n[ Group \xD2\xE5\xEF\xEB\xE8\xF6\xE0 ]\r\n[Scene]x\r\n[ ]\r\n[group "
                    "\xD2\xE5\xEF\xEB\xE8\xF6\xE0]\r\n"),
              (Names{"Group Теплица", "Scene"}));
    EXPECT_EQ(names("\xEF\xBB\xBF[Interlock Мотор 1]\n;[no]\n[Scene Вечер]"),
              (Names{"Interlock Мотор 1", "Scene Вечер"}));
    EXPECT_EQ(names(std::string("\xFF\xFE[\0s\0]\0", 8)), Names{});
    EXPECT_NE(err.text().find(path + " not read: файл в UTF-16"), std::string::npos) << err.text();
    EXPECT_EQ(profileSectionNames(dir.file("absent.ini")), Names{});
}

}  // namespace
}  // namespace kavtra
