#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands/output_view.h"
#include "commands/request_text.h"
#include "commands/verbs.h"
#include "control/command_line.h"
#include "control/protocol.h"

namespace kavtra {
namespace {

struct Accepted {
    std::string line;
    Command command;
};

TEST(Request, AcceptedLinesGiveTheirCommandAndFormatBackToAnEqualOne) {
    const std::vector<Accepted> cases = {
        {"show", ShowCommand{}},
        {"set 5=on", SetCommand{{{5, Switch::On}}}},
        {"set 1=off 300=ON  17=Off", SetCommand{{{1, Switch::Off}, {300, Switch::On}, {17, Switch::Off}}}},
        {"toggle 42", ToggleCommand{42}},
        {"toggle 007", ToggleCommand{7}},
        {"all on", AllCommand{true}},
        {"all off", AllCommand{false}},
        {"rename 10=Насос  полива", RenameCommand{10, "Насос  полива"}},
        {"rename 10=", RenameCommand{10, ""}},
        {"rename 3=a=b", RenameCommand{3, "a=b"}},
        {"rename 3=tab\there\x01", RenameCommand{3, "tab here "}},
        {"pulse 9=50", PulseCommand{9, 50}},
        {"pulse 9=600000", PulseCommand{9, 600000}},
        {"pulse 9=1m30s", PulseCommand{9, 90000}},
        {"get", GetCommand{}},
        {"get 1 300 1", GetCommand{{1, 300, 1}}},
        {"get 4-6,2 @A,B", GetCommand{{4, 5, 6, 2, Target::ofGroup("A,B")}}},
        {"set 1-2,4=on 3=off", SetCommand{{{1, Switch::On}, {2, Switch::On}, {4, Switch::On}, {3, Switch::Off}}}},
        {"set @Мотор%201=on 5=toggle", SetCommand{{{Target::ofGroup("Мотор 1"), Switch::On}, {5, Switch::Toggle}}}},
        {"get @100%25 2", GetCommand{{Target::ofGroup("100%"), 2}}},
        {"scene Вечер у окна", SceneCommand{"Вечер у окна"}},
        {"save-scene Все%20сразу @Двор 7", SaveSceneCommand{"Все сразу", {Target::ofGroup("Двор"), 7}}},
        {"undo", UndoCommand{}},
        {"reload", ReloadCommand{}},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.line);
        const Parsed<Command> parsed = parseRequest(c.line);
        ASSERT_TRUE(parsed) << parsed.error;
        EXPECT_EQ(*parsed.value, c.command);
        const Parsed<Command> again = parseRequest(formatRequest(*parsed.value));
        ASSERT_TRUE(again) << again.error;
        EXPECT_EQ(*again.value, c.command);
    }
}

struct Refused {
    std::string line;
    std::string reasonHas;
};

TEST(Request, RefusedLinesSayWhatIsWrongAndQuoteIt) {
    const std::vector<Refused> cases = {
        {"", "неизвестная команда"},
        {"reboot", "неизвестная команда"},
        {"SHOW", "неизвестная команда"},
        {"show now", "show: значения не нужны"},
        {"set", "set: нужно хотя бы одно"},
        {"set 5=on 301=off", "«301»: номер вывода должен быть числом от 1 до 300"},
        {"set 0=on", "«0»: номер вывода"},
        {"set 5=maybe", "«5=maybe»: нужно N=on или N=off"},
        {"set 5", "«5»: нужно N=on или N=off"},
        {"get 45-40", "«45-40»: диапазон идёт назад"},
        {"toggle", "toggle: нужно одно значение"},
        {"toggle 1 2", "toggle: нужно одно значение"},
        {"toggle -1", "«-1»: номер вывода"},
        {"toggle +1", "«+1»: номер вывода"},
        {"toggle 99999999999999999999", "«99999999999999999999»: номер вывода"},
        {"all maybe", "«maybe»: нужно on или off"},
        {"rename 5", "«5»: нужно N=ТЕКСТ"},
        {"rename 5=\xff", "имя должно быть текстом в UTF-8"},
        {"pulse 5=49", "«5=49»: длительность импульса должна быть числом от 50 до 600000 мс"},
        {"pulse 5=600001", "от 50 до 600000 мс"},
        {"pulse 5=1e3", "от 50 до 600000 мс"},
        {"pulse 5=11m", "от 50 до 600000 мс"},
        {"pulse 5", "«5»: нужно N=МС"},
        {"get 1 x", "«x»: номер вывода"},
        {"get @%2", "«@%2»: в имени пробел пишется %20"},
        {"set @a[b]=on", "после @ нужно имя группы"},
        {"undo now", "undo: значения не нужны"},
        {"toggle \x1b[2J", "«?[2J»"},
        {std::string(kMaxRequestBytes + 1, 'a'), "слишком длинная команда"},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        const Parsed<Command> parsed = parseRequest(c.line);
        EXPECT_FALSE(parsed);
        EXPECT_NE(parsed.error.find(c.reasonHas), std::string::npos) << parsed.error;
    }
}

TEST(Request, LongTextsAreCutInTheMessage) {
    const Parsed<Command> parsed = parseRequest("toggle " + std::string(1000, '9'));
    EXPECT_FALSE(parsed);
    EXPECT_LT(parsed.error.size(), 200u);
    EXPECT_NE(parsed.error.find("…»"), std::string::npos) << parsed.error;
}

// One request as the command line's arguments and as the socket's line: the
// same command, or the same reason for refusing it.
struct Alike {
    std::vector<std::string> arguments;
    std::string line;
    std::optional<Command> command;
    std::string reasonHas{};
};

TEST(Request, TheCommandLineAndTheSocketReadEveryVerbAlike) {
    const Target yard = Target::ofGroup("Двор");
    const std::vector<Alike> cases = {
        {{"--set", "@Мотор 1=on", "40-42=toggle", "1-2,7=OFF"},
         "set @Мотор%201=on 40-42=toggle 1-2,7=OFF",
         SetCommand{{{Target::ofGroup("Мотор 1"), Switch::On},
                     {40, Switch::Toggle},
                     {41, Switch::Toggle},
                     {42, Switch::Toggle},
                     {1, Switch::Off},
                     {2, Switch::Off},
                     {7, Switch::Off}}}},
        {{"--set=@100%=off"}, "set @100%25=off", SetCommand{{{Target::ofGroup("100%"), Switch::Off}}}},
        {{"--toggle", "@Двор и сад"}, "toggle @Двор%20и%20сад", ToggleCommand{Target::ofGroup("Двор и сад")}},
        {{"--all", "ON"}, "all ON", AllCommand{true}},
        {{"--rename", "3=Насос  полива"}, "rename 3=Насос  полива", RenameCommand{3, "Насос  полива"}},
        {{"--pulse", "9=2m30s"}, "pulse 9=2m30s", PulseCommand{9, 150000}},
        {{"--get", "@Двор", "1-2,7", "@A,B"},
         "get @Двор 1-2,7 @A,B",
         GetCommand{{yard, 1, 2, 7, Target::ofGroup("A,B")}}},
        {{"--get-inputs"}, "get-inputs", GetInputsCommand{}},
        {{"--scene", "Вечер у окна"}, "scene Вечер у окна", SceneCommand{"Вечер у окна"}},
        {{"--save-scene", "Все сразу", "@Двор", "40-41"},
         "save-scene Все%20сразу @Двор 40-41",
         SaveSceneCommand{"Все сразу", {yard, 40, 41}}},
        {{"--undo"}, "undo", UndoCommand{}},
        {{"--reload"}, "reload", ReloadCommand{}},
        {{"--start", "Полив зон"}, "start Полив зон", StartCommand{"Полив зон"}},
        {{"--pause", "Полив"}, "pause Полив", PauseCommand{"Полив"}},
        {{"--stop", "Полив"}, "stop Полив", StopCommand{"Полив"}},
        {{"--rule", "Свет у двери=OFF"}, "rule Свет у двери=OFF", RuleCommand{"Свет у двери", false}},
        {{"--rule", "Свет"}, "rule Свет", std::nullopt, "нужно ИМЯ=on|off"},
        {{"--stats", "5", "@Двор"}, "stats 5 @Двор", StatsCommand{{5, yard}}},
        {{"--reset-stats"}, "reset-stats", ResetStatsCommand{}},
        {{"--toggle", "40-45"}, "toggle 40-45", std::nullopt, "«40-45»: номер вывода"},
        {{"--get", "1", "\t"}, "get 1 \t", std::nullopt, "«?»: номер вывода"},
        {{"--set", "7=on", "@=off"}, "set 7=on @=off", std::nullopt, "«@»: после @ нужно имя группы"},
        {{"--save-scene", "a=b", "1"}, "save-scene a=b 1", std::nullopt, "нужно имя сцены без знаков [ ] ="},
        {{"--scene", " Вечер"}, "scene  Вечер", std::nullopt, "нужно имя сцены"},
    };
    std::set<std::string> verbsSeen;
    for (const Alike& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<std::string> arguments = {"kavtra"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CommandLine line = parseCommandLine(arguments);
        const Parsed<Command> request = parseRequest(c.line);
        EXPECT_EQ(line.command, c.command) << line.message;
        EXPECT_EQ(request.value, c.command) << request.error;
        EXPECT_NE(line.message.find(c.reasonHas), std::string::npos) << line.message;
        EXPECT_NE(request.error.find(c.reasonHas), std::string::npos) << request.error;
        verbsSeen.insert(c.line.substr(0, c.line.find(' ')));
    }
    for (const Verb& verb : verbs())
        EXPECT_TRUE(verb.help.empty() || verbsSeen.count(std::string(verb.name))) << verb.name << ": no case";
}

TEST(Reply, LinesAndTheirEnd) {
    EXPECT_EQ(outputLine({17, "Насос", true}), "17\ton\tНасос");
    EXPECT_EQ(outputLine({300, "", false}), "300\toff\t");
    EXPECT_EQ(formatReply({{outputLine({1, "a", true}), outputLine({2, "b", false})}, Reply::Outcome::Done, {}}),
              "1\ton\ta\n2\toff\tb\nok\n");
    EXPECT_EQ(formatReply(Reply::refused("two\nlines\r")), "error\ttwo lines \n");
    EXPECT_EQ(formatReply(Reply::notSaved("диск полон")), "unsaved\tдиск полон\n");

    EXPECT_FALSE(parseReplyEnd("17\ton\tok"));
    const auto ok = parseReplyEnd("ok");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->done());
    const auto refused = parseReplyEnd("error\tзанято");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->outcome, Reply::Outcome::Refused);
    EXPECT_EQ(refused->reason, "занято");
    const auto unsaved = parseReplyEnd("unsaved\tдиск полон");
    ASSERT_TRUE(unsaved);
    EXPECT_EQ(unsaved->outcome, Reply::Outcome::NotSaved);
    EXPECT_FALSE(parseReplyEnd("unsaved"));
}

TEST(LineReader, SplitsChunksIntoLinesOfEitherEnding) {
    LineReader reader(16);
    reader.append("sho");
    EXPECT_FALSE(reader.next());
    reader.append("w\r\nget 1\nget");
    EXPECT_EQ(reader.next(), "show");
    EXPECT_EQ(reader.next(), "get 1");
    EXPECT_FALSE(reader.next());
    reader.append(" 2\n");
    EXPECT_EQ(reader.next(), "get 2");
    EXPECT_FALSE(reader.overflowed());
}

TEST(LineReader, ALineOverTheBoundSpendsTheReader) {
    for (const std::string& stream : {std::string(17, 'a') + "\nshow\n", std::string(40, 'a')}) {
        LineReader reader(16);
        reader.append(stream);
        EXPECT_FALSE(reader.next());
        EXPECT_TRUE(reader.overflowed());
        reader.append("show\n");
        EXPECT_FALSE(reader.next());
    }
    LineReader exact(16);
    exact.append(std::string(16, 'a') + "\r\n");
    EXPECT_EQ(exact.next(), std::string(16, 'a'));
}

}  // namespace
}  // namespace kavtra
