#include "commands/rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/output_list.h"
#include "tests/support/core_on_board.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

struct RulesTest : ::testing::Test, CoreOnBoard {
    Texts problems() const {
        Texts texts;
        for (const RuleProblem& problem : rules.problems()) texts.push_back(problemText(problem));
        return texts;
    }
};

TEST_F(RulesTest, EveryEntryAtFaultIsLeftOutAloneAndNamedWhereItIs) {
    useRules(
        "[Group Теплица]\nOutputs=1-3, 7,@Полив\n[Group Полив]\nOutputs=20\n"
        "[Scene Вечер]\nOn=10-11,@Теплица\nOff=12\n"
        "[Interlock Мотор 1]\nOutputs=3,4\nDeadTime=500\n"
        "[Group Круг]\nOutputs=@Круг2\n[Group Круг2]\nOutputs=1,@Круг\n"
        "[Group Большой]\nOutputs=299-301\n[Scene Сад]\nOn=@Нет\n[Scene Оба]\nOn=1\nOff=1-2\n"
        "[Interlock Один]\nOutputs=5\n[Interlock Долго]\nOutputs=5,6\nDeadTime=полсекунды\n"
        "[Group Теплица]\nOutputs=9\n[Schedule Полив]\nAt=06:00\n");  // the first of a name counts
    const Rules& r = rules.rules();
    EXPECT_EQ(r.groups, (std::vector<Group>{{"Теплица", {1, 2, 3, 7, 20}}, {"Полив", {20}}}));
    EXPECT_EQ(r.scenes, (std::vector<Scene>{{"Вечер", {1, 2, 3, 7, 10, 11, 20}, {12}}}));
    EXPECT_EQ(r.interlocks, (std::vector<Interlock>{{"Мотор 1", {3, 4}, 500ms}}));
    const std::string loop = "Outputs: группы ссылаются друг на друга по кругу («Круг»)";
    EXPECT_EQ(problems(), (Texts{
                              "Rules.ini, [Group Большой], Outputs: «301»: номер вывода должен быть числом от 1 до 300",
                              "Rules.ini, [Group Круг], " + loop,
                              "Rules.ini, [Group Круг2], " + loop,
                              "Rules.ini, [Scene Сад], On: нет группы «Нет»",
                              "Rules.ini, [Scene Оба], Off: вывод 1 и в On, и в Off",
                              "Rules.ini, [Interlock Один], Outputs: в блокировке должно быть не меньше двух выводов",
                              "Rules.ini, [Interlock Долго], DeadTime: нужно число миллисекунд от 0 до 600000",
                          }));
}

TEST_F(RulesTest, LimitsTakeDurationsAndNameEachFault) {
    useRules(
        "[limits]\n5=20m\n17 = 90s\n6=1h30m\n7=1500\n9=1m500ms\n301=5m\nНасос=1m\n10=0\n11=24h1s\n12=20x\n13=30s20m\n");
    EXPECT_EQ(rules.rules().limits,
              (SafetyTimers::Limits{{5, 20min}, {6, 90min}, {7, 1500ms}, {9, 60500ms}, {17, 90s}}));
    Texts expected{"301: нет такого вывода: номер должен быть числом от 1 до 300",
                   "Насос: нет такого вывода: номер должен быть числом от 1 до 300"};
    for (const char* bad : {"10: «0", "11: «24h1s", "12: «20x", "13: «30s20m"})
        expected.push_back(std::string(bad) + "»: нужно время больше нуля и не больше суток, например 90s, 20m, 1h30m");
    for (std::string& text : expected) text = "Rules.ini, [limits], " + text;
    EXPECT_EQ(problems(), expected);
}

TEST(OutputList, ReadsNumbersRangesAndGroupsAndWritesRanges) {
    const auto items = parseList(" 1-3 ,007,@Мотор 1");
    ASSERT_TRUE(items);
    EXPECT_EQ(*items.value, (std::vector<ListItem>{{1, 3, {}}, {7, 7, {}}, {0, 0, "Мотор 1"}}));
    for (const char* bad : {"3-1", "0", "1,,2", "@", "1-", "abc"}) EXPECT_FALSE(parseList(bad)) << bad;
    EXPECT_EQ(listText({12, 1, 2, 3, 5, 3, 300}), "1-3,5,12,300");
}

TEST_F(RulesTest, EditsAreSavedAsUtf8WithCrlfAndReadBack) {
    engine.set({{2, false}}, Source::Window);
    ASSERT_TRUE(run(SaveSceneCommand{"Вечер", {1, 2}}).done());
    ASSERT_TRUE(rules.saveGroup("Двор", {5, 6, 7}).empty());
    EXPECT_EQ(readBytes(rules.path()), rulesFileText("[Scene Вечер]\nOn=1\nOff=2\n[Group Двор]\nOutputs=5-7\n"));
    EXPECT_TRUE(rules.renameScene("Вечер", "Ночь").empty());
    EXPECT_TRUE(rules.remove(groupSection("Двор")).empty());
    EXPECT_EQ(readBytes(rules.path()), rulesFileText("[Scene Ночь]\nOn=1\nOff=2\n"));
    ASSERT_NE(rules.rules().scene("Ночь"), nullptr);

    useRules("[Interlock Мотор]\nOutputs=3,4\n");
    EXPECT_EQ(rules.saveGroup("Оба", {3, 4}), "выводы 3 и 4 не могут быть включены вместе (блокировка «Мотор»)");
    EXPECT_EQ(rules.saveScene("a=b", {}, {1}), "имя не годится: пусто, пробелы по краям или знаки [ ] =");
}

}  // namespace
}  // namespace kavtra::test
