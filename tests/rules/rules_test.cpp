#include "rules/rules.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "commands/output_list.h"
#include "schedule/schedule_text.h"
#include "tests/support/core_on_board.h"

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

// A schedule on one line: its times, days, lists and scene, then its keys
// as written.
std::string summary(const ScheduleEntry& s) {
    std::string text = s.name + ":";
    for (const auto& [key, time] : {std::pair{" at ", s.at}, std::pair{" from ", s.from}, std::pair{" to ", s.to}})
        if (time) text += key + dayTimeText(*time);
    text += (s.date ? " on " + dateText(*s.date) : " " + daysText(s.days)) + " on=" + listText(s.on) +
            " off=" + listText(s.off) + (s.scene.empty() ? "" : " scene " + s.scene) + " |";
    for (const auto& [key, value] : s.written) text += " " + key + "=" + value;
    return text;
}

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
                              "Rules.ini, [Schedule Полив]: нечего делать: нет ни On, ни Off, ни Scene",
                          }));
}

TEST_F(RulesTest, SchedulesKeepTheirKeysAsWrittenAndEachFaultIsNamed) {
    const std::string forms =
        "время пишется ЧЧ:ММ или ЧЧ:ММ:СС, восход или закат (sunrise, sunset) с поправкой в минутах (закат-15)";
    useRules(
        "[Group Теплица]\nOutputs=1-3\n[Schedule Полив]\nDays=Mon,Wed,Fri\nOn=@Теплица\nAt=06:00\n"
        "[Schedule Витрина]\nFrom=sunset-15\nTo=23:30\nDays=daily\nOn=40-45\n"
        "[Schedule Новый год]\nAt=2026-12-31 23:59:30\nScene=Праздник\n[Scene Праздник]\nOn=7\n"
        "[Place]\nLatitude=55,75\nLongitude=37.62\n"
        "[Schedule Поздно]\nAt=25:00\nOn=1\n[Schedule Дни]\nAt=06:00\nDays=Mo\nOn=1\n[Schedule Пусто]\nAt=06:00\n"
        "[Schedule Оба]\nAt=06:00\nFrom=07:00\nTo=08:00\nOn=1\n[Schedule Начало]\nFrom=07:00\nOn=1\n"
        "[Schedule Сцена]\nAt=06:00\nScene=Нет\n[Schedule Сад]\nAt=06:00\nOn=@Сад\n"
        "[Schedule Раз]\nAt=2026-12-31 10:00\nDays=Mon\nOn=1\n[Schedule Окно]\nFrom=20:00\nTo=06:00\nOff=5\n"
        "[Schedule Вдвоём]\nAt=06:00\nOn=1-2\nOff=2\n");
    const Rules& r = rules.rules();
    EXPECT_EQ(r.place, (Place{55.75, 37.62}));
    Texts schedules;
    for (const ScheduleEntry& entry : r.schedules) schedules.push_back(summary(entry));
    EXPECT_EQ(schedules, (Texts{"Полив: at 06:00 Mon,Wed,Fri on=1-3 off= | Days=Mon,Wed,Fri On=@Теплица At=06:00",
                                "Витрина: from sunset-15 to 23:30 daily on=40-45 off= | From=sunset-15 To=23:30 "
                                "Days=daily On=40-45",
                                "Новый год: at 23:59:30 on 2026-12-31 on= off= scene Праздник | At=2026-12-31 "
                                "23:59:30 Scene=Праздник"}));
    EXPECT_EQ(problems(),
              (Texts{
                  "Rules.ini, [Schedule Поздно], At: «25:00»: " + forms + ", или дата и время (2026-12-31 23:59:30)",
                  "Rules.ini, [Schedule Дни], Days: «Mo»: дни пишутся ежедневно (daily), днями недели (Пн,Ср,Пт; "
                  "Mon,Wed,Fri; Пн-Пт) или датами (2026-12-31)",
                  "Rules.ini, [Schedule Пусто]: нечего делать: нет ни On, ни Off, ни Scene",
                  "Rules.ini, [Schedule Оба], At: At не сочетается с From и To: это либо событие, либо окно времени",
                  "Rules.ini, [Schedule Начало], To: у окна времени есть From, но нет To",
                  "Rules.ini, [Schedule Сцена], Scene: нет сцены «Нет»",
                  "Rules.ini, [Schedule Сад], On: нет группы «Сад»",
                  "Rules.ini, [Schedule Раз], Days: у At с датой дней нет: такое событие бывает один раз",
                  "Rules.ini, [Schedule Окно], Off: у окна времени только On: его выводы включены внутри окна и "
                  "выключены вне его",
                  "Rules.ini, [Schedule Вдвоём], Off: вывод 2 и в On, и в Off",
              }));

    useRules(
        "[Place]\nLatitude=91\nLongitude=восток\n[Schedule Рассвет]\nAt=sunrise+10\nOn=1\n"
        "[Schedule Закат]\nFrom=18:00\nTo=sunset\nOn=1\n[Schedule Ночь]\nFrom=22:00\nTo=6:00:00\nOn=1\n");
    ASSERT_EQ(r.schedules.size(), 1u);
    EXPECT_EQ(r.schedules[0].to, (DayTime{DayTime::Kind::Clock, 6h, {}}));
    EXPECT_EQ(problems(),
              (Texts{
                  "Rules.ini, [Place], Latitude: нужно число градусов от -90 до 90 (север +, юг -)",
                  "Rules.ini, [Place], Longitude: нужно число градусов от -180 до 180 (восток +, запад -)",
                  "Rules.ini, [Schedule Рассвет], At: для восхода и заката нужны Latitude и Longitude в [Place]",
                  "Rules.ini, [Schedule Закат], To: для восхода и заката нужны Latitude и Longitude в [Place]",
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

TEST_F(RulesTest, PowerTakesWattsOrKilowattsForOutputsAndRangesAndNamesEachFault) {
    useRules("[Power]\n5=60W\n10-12 = 1.5kW\n7=2 кВт\n301=1W\n@Сад=1W\n8=0W\n9=60\n13=1001kW\n");
    EXPECT_EQ(rules.rules().power, (std::map<int, double>{{5, 60}, {7, 2000}, {10, 1500}, {11, 1500}, {12, 1500}}));
    Texts expected;
    for (const char* bad : {"8: «0W", "9: «60", "13: «1001kW"})
        expected.push_back(std::string("Rules.ini, [Power], ") + bad +
                           "»: нужна мощность больше нуля и не больше 1000 кВт, например 60W или 1.5kW");
    const std::vector<std::string> seen = problems();
    EXPECT_EQ(seen.size(), expected.size() + 2) << "301 and a group are named too";
    for (const std::string& text : expected) EXPECT_NE(std::find(seen.begin(), seen.end(), text), seen.end()) << text;
}

TEST_F(RulesTest, RulesReadTheirTriggersConditionsAndRequestsAndEachFaultIsNamed) {
    useRules(
        "[Input 3]\nName=Дверь\n[Scene Ночь]\nOn=1\n[Rules]\nDepth=101\n[Place]\nLatitude=55\nLongitude=37\n"
        "[Rule Свет]\nWhen=input Дверь held 2s\nIf=output 4 off; time sunset-30-23:00\nDo=set 7=on; scene Ночь\n"
        "[Rule Нет входа]\nWhen=input Окно on\nDo=set 1=on\n[Rule Шестой]\nWhen=input 6 on\nDo=set 1=on\n"
        "[Rule Вывод]\nWhen=output 301 on\nDo=set 1=on\n[Rule Сцена]\nWhen=scene День\nDo=set 1=on\n"
        "[Rule Группа]\nWhen=input 1 on\nDo=set @Сад=on\n[Rule Послед]\nWhen=input 1 on\nDo=start Полив\n"
        "[Rule Чтение]\nWhen=input 1 on\nDo=get 1\n[Rule Никогда]\nWhen=input 1 on\nIf=input 1 off\nDo=set 1=on\n"
        "[Rule Пусто]\nWhen=input 1 on\nIf=time 06:00-06:00\nDo=set 1=on\n[Rule Без]\nWhen=input 1 on\n"
        "[Rule А]\nWhen=output 1 on\nDo=set 2=on\n[Rule Б]\nWhen=output 2 change\nDo=set 1=on\n"
        "[Rule Назад]\nWhen=output 2 on\nDo=set 1=off\n");
    ASSERT_EQ(rules.rules().automationRules.size(), 2u);
    const Rule& light = rules.rules().automationRules.front();
    EXPECT_EQ(light.when, (RuleTrigger{RuleTrigger::Kind::Input, 3, RuleTrigger::Edge::Held, 2s, {}}));
    EXPECT_EQ(light.conditions.size(), 2u);
    EXPECT_EQ(light.actions, (std::vector<Command>{SetCommand{{{7, Switch::On}}}, SceneCommand{"Ночь"}}));
    EXPECT_EQ(rules.rules().automationRules.back().name, "Назад");
    EXPECT_EQ(rules.rules().ruleDepth, 8);
    const std::string circle = "Do: правила запускают друг друга по кругу: «А» → «Б» → «А»";
    EXPECT_EQ(problems(),
              (Texts{"Rules.ini, [Rules], Depth: «101»: нужно число от 1 до 100",
                     "Rules.ini, [Rule Нет входа], When: нет входа «Окно» (ни номера 1-5, ни Name в [Input N])",
                     "Rules.ini, [Rule Шестой], When: входа «6» нет: входы 1-5",
                     "Rules.ini, [Rule Вывод], When: «301»: номер вывода должен быть числом от 1 до 300",
                     "Rules.ini, [Rule Сцена], When: нет сцены «День»",
                     "Rules.ini, [Rule Группа], Do: «set @Сад=on»: нет группы «Сад»",
                     "Rules.ini, [Rule Послед], Do: «start Полив»: нет последовательности «Полив»",
                     "Rules.ini, [Rule Чтение], Do: «get 1»: здесь нужна команда, которая что-то переключает или "
                     "запускает, а не get",
                     "Rules.ini, [Rule Никогда]: правило не сработает никогда: When ждёт включения, а If требует, "
                     "чтобы вход 1 был выключен",
                     "Rules.ini, [Rule Пусто], If: «06:00-06:00»: окно времени пустое",
                     "Rules.ini, [Rule Без], Do: нет Do: что делать", "Rules.ini, [Rule А], " + circle,
                     "Rules.ini, [Rule Б], " + circle}));
}

TEST_F(RulesTest, TokensKeepTheirRoleAndHashAndEachFaultIsNamed) {
    const std::string hash(64, 'a');
    useRules("[Token phone]\nRole=Switch\nHash=" + std::string(64, 'A') + "\n[Token wall]\nRole=read\nHash=" + hash +
             "\n[Token admin]\nRole=all\nHash=" + hash + "\n[Token short]\nRole=read\nHash=abc\n");
    EXPECT_EQ(rules.rules().tokens, (std::vector<AccessToken>{{"phone", AccessToken::Role::Switch, hash},
                                                              {"wall", AccessToken::Role::Read, hash}}));
    EXPECT_EQ(problems(), (Texts{"Rules.ini, [Token admin], Role: «all»: нужно read или switch",
                                 "Rules.ini, [Token short], Hash: нужен хеш SHA-256 из 64 шестнадцатеричных цифр "
                                 "(kavtra --add-token его пишет)"}));
}

// A scope reaches its outputs, groups and scenes; one at fault reaches
// nothing, never everything; no Scope= reaches every output.
TEST_F(RulesTest, ATokensScopeReachesItsOutputsGroupsAndScenesAndOneAtFaultReachesNothing) {
    const std::string token = "Role=read\nHash=" + std::string(64, 'a') + "\n";
    useRules("[Group Двор]\nOutputs=30-31\n[Scene Вечер]\nOn=40\nOff=41\n[Token a]\n" + token +
             "Scope=1-3, 5; @Двор; SCENE Вечер\n[Token b]\n" + token + "Scope=1-20; @Сад\n[Token c]\n" + token +
             "Scope=scene Ночь\n[Token d]\n" + token + "Scope=1-301\n[Token e]\n" + token + "Scope= ; \n[Token f]\n" +
             token);
    const std::vector<AccessToken>& tokens = rules.rules().tokens;
    ASSERT_EQ(tokens.size(), 6u);
    EXPECT_EQ(tokens[0].scope, "1-3, 5; @Двор; SCENE Вечер");
    EXPECT_EQ(tokens[0].reach.outputs, (std::vector<int>{1, 2, 3, 5, 30, 31, 40, 41}));
    for (std::size_t i = 1; i < 5; ++i)
        EXPECT_TRUE(tokens[i].reach.outputs == std::vector<int>{} && !tokens[i].scopeProblem.empty()) << i;
    EXPECT_TRUE(tokens[5].reach.everything());
    EXPECT_EQ(problems(),
              (Texts{"Rules.ini, [Token b], Scope: «1-20; @Сад»: нет группы «Сад»",
                     "Rules.ini, [Token c], Scope: «scene Ночь»: нет сцены «Ночь»",
                     "Rules.ini, [Token d], Scope: «1-301»: «301»: номер вывода должен быть числом от 1 до 300",
                     "Rules.ini, [Token e], Scope: «;»: нужны выводы, группы или сцены через «;», например "
                     "«1-20; @Двор; scene Вечер»"}));
}

TEST_F(RulesTest, SequencesReadTheirStepsAndEachFaultIsNamed) {
    useRules(
        "[Group Зона1]\nOutputs=1-2\n[Scene Выкл]\nOff=1-8\n"
        "[Sequence Полив]\nSteps=set @Зона1=on for 30s ;set 5=on 6=off FOR 1m30s; scene Выкл;\nRepeat=Forever\n"
        "Finally=start Насос\n[Sequence Насос]\nSteps=pulse 7=2s for 5s\nRepeat=3\n"
        "[Sequence Пусто]\nRepeat=2\n[Sequence Крутится]\nSteps=set 1=on; set 1=off\nRepeat=forever\n"
        "[Sequence Сама]\nSteps=start Сама for 1s\n[Sequence А]\nSteps=set 1=on for 1s\nFinally=start Б\n"
        "[Sequence Б]\nSteps=start А for 1s\n[Sequence Через]\nSteps=stop Сама for 1s\n"
        "[Sequence Сцена]\nSteps=scene Нет for 1s\n[Sequence Группа]\nSteps=toggle @Нет for 1s\n"
        "[Sequence Нет]\nSteps=start Никто for 1s\n[Sequence Читает]\nSteps=get 1 for 1s\n"
        "[Sequence Долго]\nSteps=set 1=on for полчаса\n[Sequence Раз]\nSteps=set 1=on for 1s\nRepeat=0\n"
        "[Sequence Слово]\nSteps=включить 1 for 1s\n");
    const Rules& r = rules.rules();
    ASSERT_EQ(r.sequences.size(), 2u) << ::testing::PrintToString(problems());
    EXPECT_EQ(r.sequences[0].steps,
              (std::vector<SequenceStep>{{SetCommand{{{Target::ofGroup("Зона1"), Switch::On}}}, 30s},
                                         {SetCommand{{{5, Switch::On}, {6, Switch::Off}}}, 90s},
                                         {SceneCommand{"Выкл"}, 0ms}}));
    EXPECT_EQ(r.sequences[0].repeat, std::nullopt);
    EXPECT_EQ(r.sequences[0].finally, (Command{StartCommand{"Насос"}}));
    EXPECT_EQ(r.sequences[1].repeat, 3);
    const std::string itself = "последовательность запускает сама себя";
    EXPECT_EQ(
        problems(),
        (Texts{
            "Rules.ini, [Sequence Пусто], Steps: нет шагов: нужны запросы через «;», например scene Зона1 for 30s",
            "Rules.ini, [Sequence Крутится], Repeat: forever, а у всех шагов время 0: последовательность "
            "крутилась бы без остановки",
            "Rules.ini, [Sequence Сцена], Steps: «scene Нет»: нет сцены «Нет»",
            "Rules.ini, [Sequence Группа], Steps: «toggle @Нет»: нет группы «Нет»",
            "Rules.ini, [Sequence Нет], Steps: «start Никто»: нет последовательности «Никто»",
            "Rules.ini, [Sequence Читает], Steps: «get 1»: здесь нужна команда, которая что-то переключает или "
            "запускает, а не get",
            "Rules.ini, [Sequence Долго], Steps: «set 1=on for полчаса»: после for нужно время не больше "
            "суток, например 30s, 500ms, 1m30s",
            "Rules.ini, [Sequence Раз], Repeat: «0»: нужно число повторов от 1 до 1000000 или forever",
            "Rules.ini, [Sequence Слово], Steps: «включить 1»: неизвестная команда",
            "Rules.ini, [Sequence Сама], Steps: " + itself,
            "Rules.ini, [Sequence А], Finally: " + itself + " через «Б»",
            "Rules.ini, [Sequence Б], Steps: " + itself + " через «А»",
            "Rules.ini, [Sequence Через], Steps: нет последовательности «Сама»",
        }));
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

TEST_F(RulesTest, ASchedulesSaveReplacesItsSectionByTheKeysGivenOrIsRefused) {
    const std::string group = "[Group Сад]\nOutputs=1-3\n";
    const std::string watering = "[Schedule Полив]\nAt=06:00\nDays=Mon\nOn=@Сад\n";
    const std::string scene = "[Scene Вечер]\nOn=1\n";
    const RuleBook::Keys keys = {{"At", "07:30"}, {"Days", ""}, {"On", "@Сад"}, {"Scene", "Вечер"}};
    const std::string saved = "At=07:30\nOn=@Сад\nScene=Вечер\n";
    const std::string badName = "имя не годится: пусто, пробелы по краям или знаки [ ] =";
    const struct {
        std::string oldName, name, why, after;
        RuleBook::Keys given = {};
    } cases[] = {
        {"", "Утро", "", group + watering + scene + "[Schedule Утро]\n" + saved},
        {"Полив", "Полив", "", group + scene + "[Schedule Полив]\n" + saved},
        {"Полив", "Утро", "", group + scene + "[Schedule Утро]\n" + saved},
        {"", "Полив", "расписание «Полив» уже есть", group + watering + scene},
        {"Утро", "Полив", "расписание «Полив» уже есть", group + watering + scene},
        {"Полив", " Полив", badName, group + watering + scene},
        {"", "a]", badName, group + watering + scene},
        {"Полив",
         "Полив",
         "Rules.ini, [Schedule Полив], On: нет группы «Нет»",
         group + watering + scene,
         {{"At", "06:00"}, {"On", "@Нет"}}},
    };
    for (const auto& c : cases) {
        useRules(group + watering + scene);
        EXPECT_EQ(rules.saveEntry(EntryKind::Schedule, c.oldName, c.name, c.given.empty() ? keys : c.given), c.why)
            << c.oldName << " > " << c.name;
        EXPECT_EQ(readBytes(rules.path()), rulesFileText(c.after)) << c.oldName << " > " << c.name;
    }
}

TEST_F(RulesTest, ListsReadBackWholeAndASaveThatWouldNotIsRefused) {
    std::vector<int> odd, even;
    for (int n = 1; n <= OutState::kOutputs; ++n) (n % 2 ? odd : even).push_back(n);
    engine.set(sceneStates({"", odd, even}), Source::Window);
    ASSERT_TRUE(run(SaveSceneCommand{"Нечётные", {}}).done());
    ASSERT_EQ(rules.saveGroup("Чётные", even), "");
    rules.reload();
    EXPECT_EQ(rules.rules().scenes, (std::vector<Scene>{{"Нечётные", odd, even}}));
    EXPECT_EQ(rules.rules().groups, (std::vector<Group>{{"Чётные", even}}));
    useRules("[Schedule Полив]\nAt=06:00\nOff=" + listText(even) + "\n");
    ASSERT_EQ(rules.rules().schedules.size(), 1u);
    EXPECT_EQ(rules.rules().schedules[0].off, even);

    // A Windows-1251 file has no "雪", and a file near its limit no room.
    const std::string ansi = "[Group Двор]\r\nOutputs=1\r\n";
    const std::string full = ";" + std::string(kLargestRulesFile - 10, 'x') + "\r\n";
    for (const auto& [file, why] :
         {std::pair{ansi, "Rules.ini не сохранён: сцена «雪» прочиталась бы из него не такой, какой её сохраняют"},
          std::pair{full, "Rules.ini не сохранён: в нём стало бы больше 4 МиБ"}}) {
        writeBytes(rules.path(), file);
        EXPECT_EQ(rules.saveScene("雪", {1}, {2}), why);
        EXPECT_EQ(readBytes(rules.path()), file);
    }
}

TEST_F(RulesTest, GroupsNestedDeeperThanAHundredAreNamedAndTheRestRead) {
    constexpr int kChain = 30000;
    std::string chain;
    for (int i = 0; i < kChain; ++i)
        chain += "[Group g" + std::to_string(i) +
                 "]\nOutputs=" + (i + 1 < kChain ? "@g" + std::to_string(i + 1) : "7") + "\n";
    useRules(chain);
    EXPECT_EQ(rules.rules().groups.size(), 100u);
    EXPECT_EQ(rules.rules().groups.front(), (Group{"g29900", {7}}));
    const Texts all = problems();
    ASSERT_EQ(all.size(), kChain - 100u);
    EXPECT_EQ(all.front(), "Rules.ini, [Group g0], Outputs: группы вложены друг в друга глубже 100 уровней");
}

TEST_F(RulesTest, AFileThatCannotBeReadKeepsTheRulesInForceAndSaysWhy) {
    const std::string interlock = "[Interlock Мотор]\nOutputs=3,4\n";
    const struct {
        std::string bytes, why;
    } cases[] = {
        {std::string("\xFF\xFE[\0I\0", 6), "файл в UTF-16; читаются Windows-1251 и UTF-8"},
        {std::string("\xFE\xFF\0[\0I", 6), "файл в UTF-16; читаются Windows-1251 и UTF-8"},
        {"[Group A]\r\nOutputs=1\r\n" + std::string(1, '\0'), "в нём нулевые байты: это не текст"},
        {interlock + std::string(kLargestRulesFile, ';'), "в нём больше 4 МиБ"},
    };
    useRules(interlock + "[Group Пусто]\nOutputs=\n");
    for (const auto& c : cases) {
        writeBytes(rules.path(), c.bytes);
        const std::string unread = "Rules.ini не прочитан (" + c.why + "): действуют правила, прочитанные раньше";
        const Reply reply = run(ReloadCommand{});
        EXPECT_EQ(std::pair(reply.outcome, reply.reason), std::pair(Reply::Outcome::Unread, unread));
        EXPECT_EQ(problems(), (Texts{unread, "Rules.ini, [Group Пусто], Outputs: в группе нет выводов"}));
        EXPECT_EQ(rules.rules().interlocks, (std::vector<Interlock>{{"Мотор", {3, 4}, 0ms}}));
        engine.setAll(false, Source::Window);
        engine.set({{3, true}, {4, true}}, Source::Window);
        EXPECT_EQ(latchedOnOf({3, 4}).size(), 1u) << c.why;
    }
    useRules("");
    EXPECT_EQ(std::pair(rules.unread(), problems()), std::pair(std::string(), Texts{}));
}

TEST_F(RulesTest, AReadingInTheBackgroundIsAppliedOnTheEngineThreadAndAnswersThen) {
    std::mutex mutex;
    std::condition_variable posted;
    std::function<void()> due;  // one reading at a time ends
    RuleBook book(rules.path(), [&](std::function<void()> call) {
        const std::lock_guard lock(mutex);
        due = std::move(call);
        posted.notify_one();
    });
    const auto runPosted = [&] {  // as the engine's event loop would
        std::unique_lock lock(mutex);
        ASSERT_TRUE(posted.wait_for(lock, 10s, [&] { return bool(due); }));
        std::exchange(due, {})();
    };
    int answers = 0;
    writeBytes(rules.path(), rulesFileText("[Group A]\nOutputs=1\n"));
    book.reloadInBackground([&] { ++answers; });
    writeBytes(rules.path(), rulesFileText("[Group B]\nOutputs=2\n"));
    book.reloadInBackground([&] { answers += 10; });  // begun before the write, the first reading cannot answer it
    EXPECT_EQ(answers, 0);
    EXPECT_EQ(book.rules().groups, std::vector<Group>{});
    runPosted();
    EXPECT_EQ(answers, 1);
    runPosted();
    EXPECT_EQ(answers, 11);
    EXPECT_EQ(book.rules().groups, (std::vector<Group>{{"B", {2}}}));
}

}  // namespace
}  // namespace kavtra::test
