#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "commands/verbs.h"
#include "control/command_line.h"
#include "tests/support/file_bytes.h"

// The user guide keeps the one table of the options; --help and the manual
// page must not drift away from it.

namespace kavtra {
namespace {

// The option names a text spells ("-h, --help", "--set N=on|off", or
// troff's "\-\-set \fIN\fB=on"), without their values.
std::set<std::string> optionNames(std::string text) {
    for (const std::string mark : {"\\fB", "\\fI", "\\fR", "\\fP", "\\"})
        for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
            text.replace(at, mark.size(), mark == "\\" ? "" : " ");
    for (char& c : text)
        if (std::string_view(",[]\"`|").find(c) != std::string_view::npos) c = ' ';
    std::set<std::string> names;
    std::istringstream words(text);
    for (std::string word; words >> word;)
        if (word.size() > 1 && word[0] == '-' && word != "--") names.insert(word.substr(0, word.find('=')));
    return names;
}

// The names in the first column of the guide's table, or in the usage lines
// of --help (indented by two blanks).
std::set<std::string> namesOfLines(const std::string& text, const std::string& start) {
    std::set<std::string> names;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(start, 0) == 0) names.merge(optionNames(line.substr(0, line.find(" |", start.size()))));
    return names;
}

TEST(OptionsTable, HelpAndTheManualPageNameEveryOptionOfTheGuideAndNoOther) {
    const std::set<std::string> guide = namesOfLines(test::readBytes(KAVTRA_SCRIPTING_PAGE), "| `-");
    ASSERT_FALSE(guide.empty()) << "no options table in " << KAVTRA_SCRIPTING_PAGE;
    EXPECT_EQ(namesOfLines(helpText(), "  -"), guide);
    const std::set<std::string> manual = optionNames(test::readBytes(KAVTRA_MANUAL_PAGE));
    for (const std::string& name : guide) EXPECT_TRUE(manual.count(name)) << name << ": not in kavtra.1";
}

// What --help says of an option and what the guide's row says agree on the
// facts a script relies on: each phrase of the guide's row goes with its
// Russian words in the option's help, and neither is said alone.
TEST(OptionsTable, HelpSaysWhatTheGuidesRowSays) {
    const std::string guide = test::readBytes(KAVTRA_SCRIPTING_PAGE);
    // Each option's entry of --help: its usage line and the lines below it.
    std::map<std::string, std::string> help;
    std::istringstream helpLines(helpText());
    std::set<std::string> current;
    for (std::string line; std::getline(helpLines, line);) {
        if (line.rfind("  -", 0) == 0) current = optionNames(line);
        for (const std::string& option : current) help[option] += line + "\n";
    }
    const struct {
        const char* guide;
        const char* help;
    } facts[] = {
        {"Works without a running copy", "работает и без запущенной копии"},
        {"fourth column", "четвёртый столбец"},
        {"with units", "с единицами"},
    };
    std::istringstream rows(guide);
    for (std::string row; std::getline(rows, row);) {
        if (row.rfind("| `-", 0) != 0) continue;
        for (const std::string& option : optionNames(row.substr(0, row.find(" |", 4)))) {
            const std::string& helpEntry = help[option];
            for (const auto& fact : facts)
                EXPECT_EQ(row.find(fact.guide) != std::string::npos, helpEntry.find(fact.help) != std::string::npos)
                    << option << ": " << fact.guide;
        }
    }
}

// Each verb as the language spells it: its row of the options table, and the
// socket's list of requests, which names every verb and no other.
TEST(OptionsTable, TheGuideSpellsEveryVerbAsTheLanguageDoes) {
    const std::string guide = test::readBytes(KAVTRA_SCRIPTING_PAGE);
    const std::size_t socket = guide.find("## The command socket");
    ASSERT_NE(socket, std::string::npos) << "no socket section in " << KAVTRA_SCRIPTING_PAGE;
    std::set<std::string> listed;
    // The section's first list.
    std::istringstream lines(guide.substr(socket));
    for (std::string line; std::getline(lines, line) && (listed.empty() || line.rfind("- `", 0) == 0);)
        if (line.rfind("- `", 0) == 0) listed.insert(line.substr(3, line.find('`', 3) - 3));
    std::set<std::string> forms;
    for (const Verb& verb : verbs()) {
        const std::string form = std::string(verb.name) + (verb.usage.empty() ? "" : " ") + std::string(verb.usage);
        forms.insert(form);
        std::string row = "| `--";
        for (char c : form) row += c == '|' ? std::string("\\|") : std::string(1, c);
        EXPECT_TRUE(verb.help.empty() || guide.find(row + "` |") != std::string::npos) << row;
    }
    EXPECT_EQ(listed, forms);
}

}  // namespace
}  // namespace kavtra
