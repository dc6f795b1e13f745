// One sequence of reads and writes, on the same starting file, through our
// profile functions and through the native ones, compared read by read and
// byte by byte afterwards.
//
// The native functions run under Wine here, and Wine is not Windows: it
// rewrites the whole file in its own layout on every write (blank lines and
// the blanks around names and values dropped, CRLF line ends), it reads keys
// above the first section as a section with an empty name, and it decodes a
// file that starts with a UTF-8 byte-order mark. Where that shows, a case
// records what Wine does (wineRead, wineFile) and holds our result to
// Windows' rule: every line a write does not touch stays as it was. Our
// deliberate differences are recorded the same way: quotes around a value
// are part of it, line breaks in a written value become blanks, an LF file
// keeps LF line ends, a file with a UTF-8 byte-order mark is UTF-8 text, and
// a default comes back as the caller gave it.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "persist/profile/profile.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"
#include "tests/windows/native_profile.h"

namespace kavtra {
namespace {

struct Step {
    bool write;
    std::string section;
    std::string key;
    std::string text;                     // the default of a read, the value of a write
    std::string expected;                 // a read's result by our rule
    std::optional<std::string> wineRead;  // a read's result under Wine, where it differs
};

Step Read(std::string section, std::string key, std::string def, std::string expected,
          std::optional<std::string> wineRead = std::nullopt) {
    return {false, std::move(section), std::move(key), std::move(def), std::move(expected), std::move(wineRead)};
}

Step Write(std::string section, std::string key, std::string value) {
    return {true, std::move(section), std::move(key), std::move(value), {}, {}};
}

struct Case {
    const char* name;
    std::optional<std::string> start;  // no file at all when empty
    std::vector<Step> steps;
    std::string file;                     // the file afterwards, by our rule
    std::optional<std::string> wineFile;  // what Wine leaves, where it differs
};

// A case shows as its name in GoogleTest's messages, not as its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::string repeated(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

const Case kCases[] = {
    {"CrlfFileChangedInPlace",
     "[FormPosition]\r\nx=1000\r\ny=1000\r\n[Configs]\r\nTimeUpdate=100\r\n",
     {Write("Configs", "ValLoad", "2"), Write("FormPosition", "x", "1200"), Read("formposition", "X", "0", "1200"),
      Read("CONFIGS", "valload", "3", "2"), Read("Configs", "TimeUpdate", "0", "100")},
     "[FormPosition]\r\nx=1200\r\ny=1000\r\n[Configs]\r\nTimeUpdate=100\r\nValLoad=2\r\n",
     std::nullopt},

    // Deliberate: the file keeps its own line ends; Wine converts it to CRLF.
    {"LfFileKeepsLf",
     "[a]\nx=1\n",
     {Read("a", "x", "", "1"), Write("a", "y", "2"), Write("b", "z", "3"), Read("b", "z", "", "3")},
     "[a]\nx=1\ny=2\n[b]\nz=3\n",
     "[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n"},

    // A new key goes after the last key line of its section, so that
    // comments and blank lines after it, which usually head what follows,
    // stay there; Wine appends it at the end of the section.
    {"CommentsAreKeptAndNeverKeys",
     "; Kavtra\r\n[a]\r\n; the period\r\nx=1\r\n\r\n[c]\r\n;w=commented out\r\n",
     {Read("a", "x", "d", "1"), Read("c", "w", "d", "d"), Write("a", "x", "5"), Write("a", "z", "6"),
      Write("c", "w", "7"), Read("c", "w", "d", "7")},
     "; Kavtra\r\n[a]\r\n; the period\r\nx=5\r\nz=6\r\n\r\n[c]\r\nw=7\r\n;w=commented out\r\n",
     "; Kavtra\r\n[a]\r\n; the period\r\nx=5\r\nz=6\r\n[c]\r\n;w=commented out\r\nw=7\r\n"},

    {"DuplicateSectionsAndKeysTheFirstWins",
     "[s]\r\nk=1\r\nK=2\r\n[S]\r\nk=3\r\nnew=4\r\n",
     {Read("s", "k", "d", "1"), Read("S", "new", "d", "d"), Write("S", "new", "5"), Write("s", "k", "9"),
      Read("s", "new", "d", "5"), Read("s", "K", "d", "9")},
     "[s]\r\nk=9\r\nK=2\r\nnew=5\r\n[S]\r\nk=3\r\nnew=4\r\n",
     std::nullopt},

    {"NamesMatchInAnyLetterCaseAndKeepTheirSpelling",
     "[Configs]\r\nValLoad=1\r\n",
     {Read("configs", "VALLOAD", "d", "1"), Write("CONFIGS", "valload", "2"), Write("NEW", "Key", "3"),
      Read("new", "key", "d", "3")},
     "[Configs]\r\nValLoad=2\r\n[NEW]\r\nKey=3\r\n",
     std::nullopt},

    // Wine trims only the leading blanks of the names it writes.
    {"BlanksAroundNamesAndValuesAreNotPartOfThem",
     "[a]\r\n  x  =  v v  \r\n\ty\t=\t1\t\r\n",
     {Read("a", "x", "d", "v v"), Read(" a ", "\tx ", "d", "v v"), Read("a", "y", "d", "1"), Write("a", "y", "7"),
      Write(" b ", " w ", " sp "), Read("b", "w", "d", "sp")},
     "[a]\r\n  x  =  v v  \r\n\ty\t=\t7\t\r\n[b]\r\nw= sp \r\n",
     "[a]\r\nx=v v\r\ny=7\r\n[b ]\r\nw =sp \r\n"},

    {"EmptyValuesAreEmptyNotTheDefault",
     "[s]\r\nempty=\r\nblank=   \r\n",
     {Read("s", "empty", "d", ""), Read("s", "blank", "d", ""), Read("s", "missing", "d", "d"),
      Read("s", "missing", "", ""), Write("s", "new", ""), Read("s", "new", "d", "")},
     "[s]\r\nempty=\r\nblank=   \r\nnew=\r\n",
     "[s]\r\nempty=\r\nblank=\r\nnew=\r\n"},

    {"AMissingFileGivesDefaultsAndIsCreatedByTheFirstWrite",
     std::nullopt,
     {Read("Configs", "ValLoad", "3", "3"), Write("Configs", "ValLoad", "2"), Read("configs", "valload", "3", "2")},
     "[Configs]\r\nValLoad=2\r\n",
     std::nullopt},

    {"SixHundredCharactersAreStoredAndReadBackAs511",
     std::nullopt,
     {Write("s", "latin", repeated("n", 600)), Write("s", "cyrillic", repeated("Ж", 600)),
      Read("s", "latin", "", repeated("n", 511)), Read("s", "cyrillic", "", repeated("Ж", 511)),
      Read("s", "missing", repeated("d", 600), repeated("d", 511))},
     "[s]\r\nlatin=" + repeated("n", 600) + "\r\ncyrillic=" + repeated("\xC6", 600) + "\r\n",
     std::nullopt},

    {"CyrillicIsWindows1251OneByteALetter",
     "[Devais_1]\r\nName=\xCD\xE0\xF1\xEE\xF1 \xB9\x32\r\n",
     {Read("Devais_1", "Name", "", "Насос №2"), Write("Устройства", "Имя", "Вывод"),
      Read("Устройства", "Имя", "", "Вывод")},
     "[Devais_1]\r\nName=\xCD\xE0\xF1\xEE\xF1 \xB9\x32\r\n"
     "[\xD3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\xE0]\r\n\xC8\xEC\xFF=\xC2\xFB\xE2\xEE\xE4\r\n",
     std::nullopt},

    // Letter case is matched in ASCII letters only, by Wine as by us. Windows
    // probably matches Cyrillic names in any case as well; the program's own
    // names are all ASCII.
    {"CyrillicNamesMatchOnlyInTheSameCase",
     "[\xD3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\xE0]\r\n\xC8\xEC\xFF=\xC2\xFB\xE2\xEE\xE4\r\n",
     {Read("Устройства", "Имя", "d", "Вывод"), Read("УСТРОЙСТВА", "Имя", "d", "d"),
      Read("Устройства", "имя", "d", "d")},
     "[\xD3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\xE0]\r\n\xC8\xEC\xFF=\xC2\xFB\xE2\xEE\xE4\r\n",
     std::nullopt},

    // Wine: keys above the first section form a section with an empty name.
    // Windows and we: they belong to no section.
    {"KeysBeforeTheFirstSectionBelongToNone",
     "k=before\r\n[a]\r\nx=1\r\n",
     {Read("", "k", "d", "d", "before"), Write("a", "x", "2")},
     "k=before\r\n[a]\r\nx=2\r\n",
     std::nullopt},

    // Deliberate, and Wine does the same: Windows itself would take the mark
    // as part of the first line and find no [Configs].
    {"AUtf8FileWithItsMarkIsUtf8",
     "\xEF\xBB\xBF[Configs]\r\nИмя=Вывод 1\r\n",
     {Read("Configs", "Имя", "d", "Вывод 1"), Write("Configs", "Имя", "Вывод 2")},
     "\xEF\xBB\xBF[Configs]\r\nИмя=Вывод 2\r\n",
     std::nullopt},

    // Deliberate: a name saved with quotes comes back with them. Windows
    // drops one pair of quotes around a value (documented), and so does Wine.
    {"QuotesAroundAValueArePartOfIt",
     "[a]\r\nx=\"quoted\"\r\ny='q'\r\n",
     {Read("a", "x", "d", "\"quoted\"", "quoted"), Read("a", "y", "d", "'q'", "q")},
     "[a]\r\nx=\"quoted\"\r\ny='q'\r\n",
     std::nullopt},

    // Deliberate: a line break in a value would start a line of its own, and
    // with it a section or key the user never meant.
    {"LineBreaksInAValueAreWrittenAsBlanks",
     "[Devais_1]\r\nName=x\r\n",
     {Write("Devais_1", "Name", "Lamp\r\n[Devais_2]\r\nValue=0"), Read("Devais_2", "Value", "none", "none", "0")},
     "[Devais_1]\r\nName=Lamp [Devais_2] Value=0\r\n",
     "[Devais_1]\r\nName=Lamp\r\n[Devais_2]\r\nValue=0\r\n"},

    // Deliberate: the default is the caller's own text. Windows documents
    // that it strips trailing blanks from it, and Wine does.
    {"TheDefaultComesBackAsGiven", "[a]\r\n", {Read("a", "k", "dflt  ", "dflt  ", "dflt")}, "[a]\r\n", std::nullopt},
};

class ProfileAgreement : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        // The native functions convert through the ANSI code page.
        ASSERT_EQ(::GetACP(), 1251u) << "run the test in the Russian locale (LC_ALL=ru_RU.UTF-8 under Wine)";
    }
    test::ScratchDir dir;
};

TEST_P(ProfileAgreement, SameStepsSameResults) {
    const Case& c = GetParam();
    const std::filesystem::path ours = dir.path / "ours.ini";
    const std::filesystem::path native = dir.path / "native.ini";
    if (c.start) {
        test::writeBytes(ours, *c.start);
        test::writeBytes(native, *c.start);
    }
    for (const Step& step : c.steps) {
        SCOPED_TRACE((step.write ? "write [" : "read [") + step.section + "] " + step.key);
        if (step.write) {
            writePrivateProfileString(step.section, step.key, step.text, ours.string());
            test::nativeWritePrivateProfileString(step.section, step.key, step.text, native.string());
        } else {
            EXPECT_EQ(getPrivateProfileString(step.section, step.key, step.text, ours.string()), step.expected);
            EXPECT_EQ(test::nativeGetPrivateProfileString(step.section, step.key, step.text, native.string()),
                      step.wineRead.value_or(step.expected));
        }
    }
    EXPECT_EQ(test::readBytes(ours), c.file);
    EXPECT_EQ(test::readBytes(native), c.wineFile.value_or(c.file));
}

INSTANTIATE_TEST_SUITE_P(Wine, ProfileAgreement, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavtra
