#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/command_line.h"

namespace kavtra {
namespace {

CommandLine parse(const QStringList& arguments) {
    std::vector<std::string> utf8 = {"kavtra"};
    for (const QString& argument : arguments) utf8.push_back(argument.toStdString());
    return parseCommandLine(utf8);
}

struct Sends {
    QStringList arguments;
    Command command;
};

TEST(CommandLine, EachCommandOptionGivesItsCommand) {
    const std::vector<Sends> cases = {
        {{"--set", "5=on"}, SetCommand{{{5, Switch::On}}}},
        {{"--set", "5=on", "6=off", "300=on"}, SetCommand{{{5, Switch::On}, {6, Switch::Off}, {300, Switch::On}}}},
        {{"--set=1=off", "--set", "2=on"}, SetCommand{{{1, Switch::Off}, {2, Switch::On}}}},
        {{"--toggle", "17"}, ToggleCommand{17}},
        {{"--all", "off"}, AllCommand{false}},
        {{"--rename", "10=Насос полива"}, RenameCommand{10, "Насос полива"}},
        {{"--rename", "10="}, RenameCommand{10, ""}},
        {{"--rename", "10=две\nстроки"}, RenameCommand{10, "две строки"}},
        {{"--pulse", "3=1500"}, PulseCommand{3, 1500}},
        {{"--get"}, GetCommand{}},
        {{"--get", "1", "5"}, GetCommand{{1, 5}}},
        {{"--get", "40-42,7"}, GetCommand{{40, 41, 42, 7}}},
        {{"--set", "3-4=on"}, SetCommand{{{3, Switch::On}, {4, Switch::On}}}},
        {{"--save-scene", "Витрина", "40-41"}, SaveSceneCommand{"Витрина", {40, 41}}},
    };
    for (const Sends& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Send) << line.message;
        EXPECT_EQ(line.command, c.command);
    }
}

TEST(CommandLine, StartsHelpAndVersion) {
    EXPECT_EQ(parse({}).action, CommandLine::Action::Window);
    EXPECT_EQ(parse({"--no-window"}).action, CommandLine::Action::NoWindow);
    EXPECT_EQ(parse({"--help"}).action, CommandLine::Action::Help);
    EXPECT_EQ(parse({"-h"}).action, CommandLine::Action::Help);
    EXPECT_EQ(parse({"--version"}).action, CommandLine::Action::Version);
    EXPECT_EQ(versionText().rfind("kavtra ", 0), 0u);
}

// The words after --add-token's role are its scope, each one part of Scope=.
TEST(CommandLine, AddTokensWordsAfterTheRoleAreItsScope) {
    EXPECT_EQ(parse({"--add-token", "phone", "switch", "1-20", "@Двор", "scene Вечер"}).scope,
              "1-20; @Двор; scene Вечер");
}

struct Bad {
    QStringList arguments;
    std::string messageHas;
};

TEST(CommandLine, BadUsageNamesTheBadArgument) {
    const std::vector<Bad> cases = {
        {{"--frobnicate"}, "неизвестный параметр «frobnicate»"},
        {{"stray"}, "лишний аргумент «stray»"},
        {{"--toggle"}, "у параметра --toggle нет значения: --toggle N"},
        {{"--get=5"}, "параметр --get не принимает значения: «--get=5»"},
        {{"--toggle", "301"}, "--toggle: «301»: номер вывода должен быть числом от 1 до 300"},
        {{"--toggle", "5", "6"}, "лишний аргумент «6»"},
        {{"--toggle", "5", "--toggle", "6"}, "--toggle можно указать только один раз"},
        {{"--set", "5=on", "6=maybe"}, "--set: «6=maybe»: нужно N=on или N=off"},
        {{"--all", "maybe"}, "--all: «maybe»: нужно on или off"},
        {{"--rename", "Насос"}, "--rename: «Насос»: нужно N=ТЕКСТ"},
        {{"--rename", "5=Насос", "полива"}, "лишний аргумент «полива»"},
        {{"--pulse", "5=10"}, "--pulse: «5=10»: длительность импульса должна быть числом от 50 до 600000 мс"},
        {{"--get", "0"}, "--get: «0»: номер вывода"},
        {{"--set", "1=on", "--toggle", "2"}, "одна команда за раз, а указаны --set и --toggle"},
        {{"--no-window", "--get"}, "--no-window запускает программу и не сочетается с командой --get"},
        {{"--rename", "5=" + QString(5000, u'ж')}, "слишком длинная команда"},
        {{"--add-token", "phone", "admin"}, "--add-token: после имени нужна роль read или switch"},
        {{"--add-token", "a=b", "read"}, "--add-token: нужно имя токена без знаков [ ] ="},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').left(80).toStdString());
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::BadUsage);
        EXPECT_NE(line.message.find(c.messageHas), std::string::npos) << line.message;
    }
}

TEST(CommandLine, HelpListsEveryOptionInRussian) {
    const std::string help = helpText();
    for (const char* option :
         {"--set N=on|off [N=on|off ...]", "--toggle N", "--all on|off", "--rename N=ТЕКСТ", "--pulse N=МС",
          "--get [N|@ГРУППА ...]", "--scene ИМЯ", "--save-scene ИМЯ [N|@ГРУППА ...]", "--undo", "--reload", "--log [N]",
          "--no-window", "--help", "--version"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(help.find("Использование"), std::string::npos);
    EXPECT_NE(help.find("Коды завершения"), std::string::npos);
}

}  // namespace
}  // namespace kavtra
