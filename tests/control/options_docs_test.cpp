#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "control/command_line.h"
#include "tests/support/file_bytes.h"

// The user guide keeps the one table of the options; --help and the manual
// page must not drift away from it.

namespace kavtra {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The first column of the table headed "| option |": each option as --help
// spells it, without the code marks and the escapes of its '|'.
std::set<std::string> optionsOfGuide() {
    std::set<std::string> options;
    bool inTable = false;
    for (const std::string& line : linesOf(test::readBytes(KAVTRA_SCRIPTING_PAGE))) {
        if (line.rfind("| option |", 0) == 0) inTable = true;
        if (!inTable) continue;
        if (line.rfind("|", 0) != 0) break;
        std::size_t end = 1;
        while (end < line.size() && !(line[end] == '|' && line[end - 1] != '\\')) ++end;
        std::string cell = line.substr(1, end - 1);
        cell.erase(0, cell.find_first_not_of(' '));
        cell.erase(cell.find_last_not_of(' ') + 1);
        if (cell.size() > 2 && cell.front() == '`' && cell.back() == '`')
            options.insert(replaced(cell.substr(1, cell.size() - 2), "\\|", "|"));
    }
    return options;
}

// The usage column of --help: the lines indented by exactly two blanks
// that start with a dash.
std::set<std::string> optionsOfHelp() {
    std::set<std::string> options;
    for (const std::string& line : linesOf(helpText()))
        if (line.rfind("  -", 0) == 0) options.insert(line.substr(2));
    return options;
}

// The dashed words of a text: "-h, --help" names -h and --help.
std::set<std::string> optionNames(const std::string& text) {
    std::set<std::string> names;
    std::string words = text;
    std::replace_if(
        words.begin(), words.end(), [](char c) { return c == ',' || c == '[' || c == '"'; }, ' ');
    std::istringstream in(words);
    for (std::string word; in >> word;)
        if (word.size() > 1 && word[0] == '-') names.insert(word.substr(0, word.find('=')));
    return names;
}

// The tags of the manual page's OPTIONS section, font changes and escaped
// dashes undone.
std::set<std::string> optionsOfManualPage() {
    std::string tags;
    bool inOptions = false;
    bool tagNext = false;
    for (std::string line : linesOf(test::readBytes(KAVTRA_MANUAL_PAGE))) {
        if (line.rfind(".SH", 0) == 0) inOptions = line == ".SH OPTIONS";
        if (inOptions && tagNext) {
            for (const char* font : {"\\fB", "\\fI", "\\fR", "\\fP"}) line = replaced(line, font, " ");
            tags += replaced(line, "\\-", "-") + "\n";
        }
        tagNext = line == ".TP";
    }
    return optionNames(tags);
}

TEST(OptionsTable, HelpListsEveryOptionOfTheGuideAndNoOther) {
    const std::set<std::string> guide = optionsOfGuide();
    const std::set<std::string> help = optionsOfHelp();
    ASSERT_FALSE(guide.empty()) << "no options table in " << KAVTRA_SCRIPTING_PAGE;
    for (const std::string& option : guide) EXPECT_TRUE(help.count(option)) << option << ": not in --help";
    for (const std::string& option : help) EXPECT_TRUE(guide.count(option)) << option << ": not in the guide";
}

TEST(OptionsTable, ManualPageNamesEveryOptionOfTheGuide) {
    const std::set<std::string> manual = optionsOfManualPage();
    for (const std::string& option : optionsOfGuide())
        for (const std::string& name : optionNames(option))
            EXPECT_TRUE(manual.count(name)) << name << " (" << option << "): not in kavtra.1";
}

}  // namespace
}  // namespace kavtra
