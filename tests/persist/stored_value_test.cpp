#include <gtest/gtest.h>

#include <string>

#include "persist/profile/profile.h"
#include "persist/profile/stored_value.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;

// What the preview says must be what a save and a later read really give.
TEST(StoredValue, IsWhatASaveAndAReadGiveBack) {
    struct Case {
        const char* file;  // nullptr: no file yet
        std::string value;
        std::string stored;
    };
    const std::string longName(600, 'x');
    for (const Case& c : {
             Case{nullptr, "Насос №1", "Насос №1"},
             Case{nullptr, "Ω-мотор 🔥", "?-мотор ?"},
             Case{"[Devais_1]\r\nName=a\r\n", "  Свет  ", "Свет"},
             Case{"[Devais_1]\r\nName=a\r\n", "two\nlines", "two lines"},
             Case{"\xEF\xBB\xBF[Devais_1]\r\nName=a\r\n", "Ω-мотор 🔥", "Ω-мотор 🔥"},
             Case{nullptr, longName, longName.substr(0, 511)},
             Case{nullptr, "", ""},
         }) {
        ScratchDir dir;
        const std::string path = dir.file("Data.dat");
        if (c.file) writeBytes(path, c.file);
        const std::string before = c.file ? readBytes(path) : std::string();
        EXPECT_EQ(valueAsStored("Devais_1", "Name", c.value, path), c.stored) << c.value;
        EXPECT_EQ(readBytes(path), before) << "the preview writes nothing";
        writePrivateProfileString("Devais_1", "Name", c.value, path);
        EXPECT_EQ(getPrivateProfileString("Devais_1", "Name", "default", path), c.stored) << c.value;
    }
}

TEST(StoredValue, AFileThatCannotTakeTheValueLeavesItAsItIs) {
    ScratchDir dir;
    const std::string utf16 = dir.file("utf16.dat");
    writeBytes(utf16, std::string("\xFF\xFE[\0s\0]\0", 8));
    EXPECT_EQ(valueAsStored("Devais_1", "Name", "Ω", utf16), "Ω");
    EXPECT_EQ(valueAsStored("Devais_1", "Name", "Ω", dir.path.string()), "Ω");
}

}  // namespace
}  // namespace kavtra
