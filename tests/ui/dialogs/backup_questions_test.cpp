#include "ui/dialogs/backup_questions.h"

#include <gtest/gtest.h>

#include <QDir>

#include "backup/backup.h"
#include "tests/support/file_bytes.h"
#include "tests/support/modal_answers.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// The window restores from a backup only once it is checked whole and the
// user has agreed; a damaged one is refused with its reasons; choosing
// changes no file (the restart does that).
TEST(BackupQuestions, ABackupIsChosenOnlyWhenWholeAndAgreedTo) {
    ScratchDir scratch;
    const std::string archive = scratch.file("copy.zip"), damaged = scratch.file("damaged.zip");
    writeBytes(scratch.path / "Data.dat", "[Devais_1]\r\nValue=0\r\n");
    ASSERT_TRUE(exportBackup(scratch.path.string(), archive, false).problems.empty());
    writeBytes(damaged, "PK not a zip");
    const struct {
        std::string file;  // empty: the file dialog cancelled
        const char* button;
        const char* said;  // the start of the message box's text
    } rows[] = {
        {archive, "Восстановить и перезапустить", "Копия в порядке. Из неё будут заменены Data.dat в папке "},
        {archive, "Отмена", "Копия в порядке."},
        {damaged, "OK", "Из этой копии ничего не восстановлено:\n• "},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file + " " + row.button);
        const ModalAnswers user({QDir::toNativeSeparators(QString::fromStdString(row.file)), row.button});
        const std::optional<std::string> chosen = chooseBackupToRestore(scratch.path.string(), nullptr);
        const bool agreed = row.button == std::string("Восстановить и перезапустить");
        // Compared as paths: separators as the dialog gives them.
        EXPECT_EQ(std::filesystem::path(chosen.value_or("")), std::filesystem::path(agreed ? row.file : ""));
        EXPECT_TRUE(user.texts.empty() ? !*row.said : user.texts[0].startsWith(row.said)) << user.texts.size();
        EXPECT_EQ(namesIn(scratch.path), (std::vector<std::string>{"Data.dat", "copy.zip", "damaged.zip"}));
        EXPECT_EQ(readBytes(scratch.path / "Data.dat"), "[Devais_1]\r\nValue=0\r\n");
    }
}

}  // namespace
}  // namespace kavtra::test
