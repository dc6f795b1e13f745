#include <gtest/gtest.h>

#include <string>

#include "persist/profile/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;

// A list save as the main window makes it: Value and Name of all outputs.
void saveList(const std::string& path, int changed) {
    for (int n = 1; n <= 300; ++n) {
        const std::string section = "Devais_" + std::to_string(n);
        writePrivateProfileString(section, "Value", n == changed ? "1" : "0", path);
        writePrivateProfileString(section, "Name", "Вывод " + std::to_string(n), path);
    }
}

TEST(ProfileReadGroup, ReadsEachFileOnceUntilItEndsAndSeesItsOwnSaves) {
    ScratchDir dir;
    const std::string path = dir.file("Data.dat");
    writeBytes(path, "[Devais_1]\r\nName=a\r\n");
    {
        const ProfileReadGroup group;
        EXPECT_EQ(getPrivateProfileString("Devais_1", "Name", "", path), "a");
        writeBytes(path, "[Devais_1]\r\nName=bb\r\n");
        EXPECT_EQ(getPrivateProfileString("Devais_1", "Name", "", path), "a");
        writePrivateProfileString("Devais_1", "Value", "1", path);
        EXPECT_EQ(getPrivateProfileString("Devais_1", "Name", "", path), "bb");
        EXPECT_EQ(getPrivateProfileString("Devais_1", "Value", "", path), "1");
    }
    writeBytes(path, "[Devais_1]\r\nName=ccc\r\n");
    EXPECT_EQ(getPrivateProfileString("Devais_1", "Name", "", path), "ccc");
}

TEST(ProfileWriteGroup, LeavesExactlyWhatTheSingleWritesWouldHaveLeft) {
    ScratchDir dir;
    const std::string start = "; list\n[Devais_5]\nExtra=kept\nValue=1\n[Devais_400]\nName=beyond\n";
    writeBytes(dir.file("single.dat"), start);
    writeBytes(dir.file("grouped.dat"), start);
    saveList(dir.file("single.dat"), 12);
    {
        const ProfileWriteGroup group;
        saveList(dir.file("grouped.dat"), 12);
    }
    EXPECT_EQ(readBytes(dir.file("grouped.dat")), readBytes(dir.file("single.dat")));
    const std::string head =
        "; list\n[Devais_5]\nExtra=kept\nValue=0\nName=\xC2\xFB\xE2\xEE\xE4 5\n[Devais_400]\nName=beyond\n"
        "[Devais_1]\nValue=0\nName=\xC2\xFB\xE2\xEE\xE4 1\n";
    EXPECT_EQ(readBytes(dir.file("grouped.dat")).substr(0, head.size()), head);
}

TEST(ProfileWriteGroup, SavesOnceWhenTheOutermostGroupEndsAndReadsSeeTheWritesMeanwhile) {
    ScratchDir dir;
    const std::string path = dir.file("Data.dat");
    const std::string other = dir.file("config.ini");
    writeBytes(path, "[Devais_1]\r\nValue=0\r\n");
    {
        const ProfileWriteGroup outer;
        {
            const ProfileWriteGroup inner;
            writePrivateProfileString("Devais_1", "Value", "1", path);
            writePrivateProfileString("Configs", "ValLoad", "2", other);
        }
        writePrivateProfileString("Devais_2", "Value", "1", path);
        EXPECT_EQ(getPrivateProfileString("devais_1", "value", "", path), "1");
        EXPECT_EQ(getPrivateProfileString("Configs", "ValLoad", "3", other), "2");
        EXPECT_EQ(readBytes(path), "[Devais_1]\r\nValue=0\r\n");
        EXPECT_FALSE(std::filesystem::exists(other));
    }
    EXPECT_EQ(readBytes(path), "[Devais_1]\r\nValue=1\r\n[Devais_2]\r\nValue=1\r\n");
    EXPECT_EQ(readBytes(other), "[Configs]\r\nValLoad=2\r\n");
}

// The group's writes go onto the file as it is when the group ends, so a key
// another process saved in the meantime survives.
TEST(ProfileWriteGroup, KeepsWhatAnotherWriterSavedWhileTheGroupWasOpen) {
    ScratchDir dir;
    const std::string path = dir.file("config.ini");
    writeBytes(path, "[Configs]\r\nValLoad=1\r\n");
    {
        const ProfileWriteGroup group;
        writePrivateProfileString("Configs", "ValLoad", "2", path);
        writeBytes(path, "[Configs]\r\nValLoad=1\r\nTimeUpdate=500\r\n");
    }
    EXPECT_EQ(readBytes(path), "[Configs]\r\nValLoad=2\r\nTimeUpdate=500\r\n");
}

// A new rules file; then a rename as the window makes it (the new section
// written, the old one removed), the old name taken again: one save each.
TEST(ProfileWriteGroup, StartsAUtf8FileAndRenamesASectionInOneSave) {
    ScratchDir dir;
    const std::string path = dir.file("Rules.ini");
    const std::string created = "\xEF\xBB\xBF[Group Теплица]\r\nOutputs=1-40\r\n";
    {
        const ProfileWriteGroup group;
        startProfileAsUtf8(path);
        writePrivateProfileString("Group Теплица", "Outputs", "1-40", path);
    }
    EXPECT_EQ(readBytes(path), created);
    {
        const ProfileWriteGroup group;
        writePrivateProfileString("Group Парник", "Outputs", "1-40", path);
        removeProfileSection("group Теплица", path);
        writePrivateProfileString("Group Теплица", "Outputs", "41", path);
        writePrivateProfileString("Group Парник", "Name", "Б", path);
        EXPECT_EQ(profileSectionNames(path), (std::vector<std::string>{"Group Парник", "Group Теплица"}));
        EXPECT_EQ(readBytes(path), created);
    }
    EXPECT_EQ(readBytes(path),
              "\xEF\xBB\xBF[Group Парник]\r\nOutputs=1-40\r\nName=Б\r\n[Group Теплица]\r\nOutputs=41\r\n");
}

}  // namespace
}  // namespace kavtra
