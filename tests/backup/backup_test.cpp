#include "backup/backup.h"

#include <gtest/gtest.h>

#include <map>

#include "persist/archive/stored_zip.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using test::namesIn;
using test::readBytes;
using test::writeBytes;

// UTF-8 with its mark, as the program writes Rules.ini; hashes as --add-token writes them.
const std::string kBom = "\xEF\xBB\xBF";
const std::string kTheirHash = std::string(64, 'a');
const std::string kOurHash = std::string(64, 'b');
const std::string kRules = kBom + "[Group Сад]\r\nOutputs=1-3\r\n[Token phone]\r\nRole=switch\r\nHash=" + kTheirHash +
                           "\r\n";
const std::string kConfig = "[MQTT]\r\nHost=broker\r\nPassword=theirs\r\n";
const std::string kData = "[Names]\r\nName1=\xCD\xE0\xF1\xEE\xF1\r\n";  // Windows-1251, as the old program wrote

// A folder of setup files in the test's scratch folder. The saves' lock
// files stay by design, and are left out of what it holds.
struct Folder {
    Folder(const test::ScratchDir& scratch, const std::string& name) : path(scratch.path / name) {
        std::filesystem::create_directories(path);
    }
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> all;
        for (const std::string& name : namesIn(path))
            if (!name.ends_with(".lock")) all[name] = readBytes(path / name);
        return all;
    }
    void fill(const std::string& config, const std::string& data, const std::string& rules) const {
        writeBytes(path / "config.ini", config);
        writeBytes(path / "Data.dat", data);
        writeBytes(path / "Rules.ini", rules);
    }
    std::filesystem::path path;
};

TEST(Backup, MovesASetupToAnotherFolderWithSecretsOnlyWhenAsked) {
    for (const bool secrets : {true, false}) {
        SCOPED_TRACE(secrets);
        const test::ScratchDir scratch;
        const Folder from(scratch, "from"), to(scratch, "to");
        from.fill(kConfig, kData, kRules);
        to.fill("[MQTT]\r\nPassword=ours\r\n", "", kBom + "[Token own]\r\nRole=read\r\nHash=" + kOurHash + "\r\n");
        const std::string archive = scratch.file("setup.zip");
        const BackupOutcome out = exportBackup(from.path.string(), archive, secrets);
        ASSERT_EQ(out.problems, std::vector<std::string>());
        const std::string packed = readBytes(archive);
        const auto untouched = to.files();
        EXPECT_EQ(checkBackup(archive, to.path.string()).files,
                  (std::vector<std::string>{"config.ini", "Data.dat", "Rules.ini"}));
        EXPECT_EQ(to.files(), untouched);
        EXPECT_EQ(packed.find(kTheirHash) != std::string::npos, secrets);
        EXPECT_EQ(packed.find("theirs") != std::string::npos, secrets);
        const BackupOutcome in = importBackup(archive, to.path.string());
        ASSERT_EQ(in.problems, std::vector<std::string>());
        EXPECT_EQ(in.files, (std::vector<std::string>{"config.ini", "Data.dat", "Rules.ini"}));
        std::map<std::string, std::string> expected = {{"Data.dat", kData}};
        expected["config.ini"] = secrets ? kConfig : "[MQTT]\r\nHost=broker\r\nPassword=ours\r\n";
        expected["Rules.ini"] =
            secrets ? kRules
                    : kBom + "[Group Сад]\r\nOutputs=1-3\r\n[Token own]\r\nRole=read\r\nHash=" + kOurHash + "\r\n";
        EXPECT_EQ(to.files(), expected);
    }
}

std::string manifest(const std::string& files) {
    return "[Backup]\r\nFormat=1\r\nSecrets=1\r\nFiles=" + files + "\r\n";
}

TEST(Backup, RefusesADamagedArchiveWithReasonsAndChangesNothing) {
    const std::string sound = writeStoredZip({{"Rules.ini", kRules}, {kBackupManifest, manifest("Rules.ini")}});
    std::string badCrc = sound;
    badCrc[30 + 9 + 2] ^= 1;  // a byte of Rules.ini's text
    std::string compressed = sound;
    compressed[8] = 8;  // deflate, in the local header and below in the central one
    compressed[sound.find("PK\x01\x02") + 10] = 8;
    const struct {
        const char* name;
        std::string archive;
        std::string reason;
    } cases[] = {
        {"crc", badCrc, "контрольная сумма не сходится"},
        {"cut", sound.substr(0, sound.size() - 5), "это не zip-архив или он обрезан"},
        {"compressed", compressed, "сжат"},
        {"outside", writeStoredZip({{"../Rules.ini", kRules}}), "за пределы папки"},
        {"twice", writeStoredZip({{"Rules.ini", kRules}, {"rules.ini", kRules}}), "дважды"},
        {"no manifest", writeStoredZip({{"Rules.ini", kRules}}), "это не копия настроек Kavtra"},
        {"newer file", writeStoredZip({{"Counters.ini", ""}, {kBackupManifest, manifest("Counters.ini")}}),
         "эта версия Kavtra не знает"},
        {"bad rule",
         writeStoredZip(
             {{"Rules.ini", kBom + "[Group Сад]\r\nOutputs=1-400\r\n"}, {kBackupManifest, manifest("Rules.ini")}}),
         "Rules.ini, [Group Сад], Outputs"},
        {"utf-16", writeStoredZip({{"config.ini", "\xFF\xFEx\0"}, {kBackupManifest, manifest("config.ini")}}),
         "config.ini: файл в UTF-16"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.name);
        const test::ScratchDir scratch;
        const Folder to(scratch, "to");
        to.fill(kConfig, kData, kRules);
        writeBytes(scratch.path / "in.zip", bad.archive);
        const auto before = to.files();
        const BackupOutcome checked = checkBackup(scratch.file("in.zip"), to.path.string());
        const BackupOutcome in = importBackup(scratch.file("in.zip"), to.path.string());
        ASSERT_FALSE(in.problems.empty());
        EXPECT_NE(in.problems.front().find(bad.reason), std::string::npos) << in.problems.front();
        EXPECT_EQ(checked.problems, in.problems);
        EXPECT_TRUE(checked.files.empty());
        EXPECT_EQ(to.files(), before);
    }
}

}  // namespace
}  // namespace kavtra
