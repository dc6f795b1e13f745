#include <QTest>

#include <set>

#include "window_fixture.h"

namespace kavtra::test {
namespace {

const std::string kRules =
    "\xEF\xBB\xBF[Group Сад]\r\nOutputs=1-3\r\n[Group Свет]\r\nOutputs=5,7\r\n[Scene Вечер]\r\nOn=1-2\r\nOff=3,300\r\n";
const QStringList kGroupEnd = {"-", "Создать группу из выделенных…", "Удалить группу"};
const QStringList kSceneEnd = {"-", "Сохранить сцену из всех выводов…", "Сохранить сцену из выделенных…",
                               "Переименовать сцену", "Удалить сцену"};

class RuleMenusTest : public WindowTest {
protected:
    QMenu& groups() const { return menuOf(*frm_, "groupmenu"); }
    QMenu& scenes() const { return menuOf(*frm_, "scenemenu"); }
    void select(const std::set<int>& outputs) {
        list().clearSelection();
        for (int n : outputs) row(n)->setSelected(true);
    }
    std::string saved(int output) const {
        return data_.GetPrivateINIString("Devais_" + std::to_string(output), "Value", "(none)");
    }
    // The outputs off, on the board, in the rows and in Data.dat alike.
    void expectOff(const std::set<int>& off) const {
        for (int n : {1, 2, 3, 5, 7, 300}) {
            EXPECT_EQ(board_.outputLevel(n), off.count(n) ? 0 : 1) << n;
            EXPECT_EQ(row(n)->text(1), off.count(n) ? QStringLiteral("Выкл.") : QStringLiteral("Вкл.")) << n;
            EXPECT_EQ(saved(n), off.count(n) ? "1" : "0") << n;
        }
    }
};

TEST_F(RuleMenusTest, ListTheRulesAndAreMadeAnewAfterEveryEdit) {
    writeFile("Rules.ini", kRules);
    start(true);
    const struct {
        QMenu* menu;  // none: as read
        QStringList entry;
        const char* name;  // typed when asked
        QStringList groups, scenes;
    } steps[] = {
        {nullptr, {}, "", {"Сад", "Свет"}, {"Вечер"}},
        {&groups(), {"Создать группу из выделенных…"}, "Насосы", {"Сад", "Свет", "Насосы"}, {"Вечер"}},
        {&groups(), {"Удалить группу", "Сад"}, "", {"Свет", "Насосы"}, {"Вечер"}},
        {&scenes(), {"Переименовать сцену", "Вечер…"}, "Ночь", {"Свет", "Насосы"}, {"Ночь"}},
        {&scenes(), {"Сохранить сцену из всех выводов…"}, " Утро ", {"Свет", "Насосы"}, {"Ночь", "Утро"}},
        {&scenes(), {"Удалить сцену", "Ночь"}, "", {"Свет", "Насосы"}, {"Утро"}},
    };
    select({10, 11});
    for (const auto& step : steps) {
        SCOPED_TRACE(step.entry.join(QLatin1Char('>')).toStdString());
        nameToType_ = QString::fromUtf8(step.name);
        if (step.menu) entryOf(*step.menu, step.entry).trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(entriesOf(groups()), step.groups + kGroupEnd);
        EXPECT_EQ(entriesOf(scenes()), step.scenes + kSceneEnd);
    }
    EXPECT_EQ(entriesOf(*entryOf(groups(), {"Насосы"}).menu()),
              (QStringList{"Выводы: 10-11", "-", "Выделить в списке", "Включить", "Выключить"}));
    EXPECT_TRUE(told_.empty());
}

TEST_F(RuleMenusTest, ASequenceIsStartedPausedAndStoppedFromItsMenuWhichShowsWhereItStands) {
    writeFile("Rules.ini", kRules + "[Sequence Полив]\r\nSteps=set 5=off for 1h; set 5=on\r\nFinally=set 5=on\r\n");
    start(true);
    QMenu& sequences = menuOf(*frm_, "seqmenu");
    const struct {
        const char* action;
        const char* shown;
        int level;  // of output 5 after it
    } steps[] = {
        {"Запустить", "Полив — идёт, шаг 1 из 2", 0},
        {"Пауза", "Полив — на паузе, шаг 1 из 2", 0},
        {"Запустить", "Полив — идёт, шаг 1 из 2", 0},
        {"Остановить", "Полив — остановлена", 1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.action);
        entryOf(*sequences.actions().front()->menu(), {QString::fromUtf8(step.action)}).trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(entriesOf(sequences), QStringList{QString::fromUtf8(step.shown)});
        EXPECT_EQ(board_.outputLevel(5), step.level);
    }
    EXPECT_TRUE(told_.empty());
}

TEST_F(RuleMenusTest, ASceneOrAGroupFromTheMenusIsOneSaveAndOneTransfer) {
    writeFile("Rules.ini", kRules);
    start(true);
    const struct {
        QMenu* menu;
        QStringList entry;
        std::set<int> off;
    } cases[] = {{&scenes(), {"Вечер"}, {3, 300}},
                 {&groups(), {"Свет", "Выключить"}, {3, 5, 7, 300}},
                 {&groups(), {"Сад", "Включить"}, {5, 7, 300}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry.join(QLatin1Char('>')).toStdString());
        const auto before = transfers();
        entryOf(*c.menu, c.entry).trigger();
        EXPECT_EQ(transfers(), before + 1);
        expectOff(c.off);
    }
    entryOf(groups(), {"Свет", "Выделить в списке"}).trigger();
    EXPECT_EQ(list().selectedItems(), (QList<QTreeWidgetItem*>{row(5), row(7)}));
}

TEST_F(RuleMenusTest, ASceneOfTheSelectedRowsKeepsTheirStatesInRulesIni) {
    start(true);
    QAction& fromSelected = entryOf(scenes(), {"Сохранить сцену из выделенных…"});
    list().clearSelection();
    EXPECT_FALSE(fromSelected.isEnabled());
    doubleClick(2);
    select({1, 2, 5});
    nameToType_ = QStringLiteral("Утро");
    fromSelected.trigger();
    const std::string rules = "\xEF\xBB\xBF[Scene Утро]\r\nOn=1,5\r\nOff=2\r\n";
    EXPECT_EQ(readFile("Rules.ini"), rules);

    // Refused, cancelled, or not to replace the scene there: the file stays.
    const struct {
        std::optional<QString> name;
        bool replace;
        std::vector<QString> told;
    } cases[] = {{QStringLiteral("a[b"), true, {"Имя не годится: пусто, пробелы по краям или знаки [ ] ="}},
                 {std::nullopt, true, {}},
                 {QStringLiteral("Утро"), false, {}}};
    for (const auto& c : cases) {
        told_.clear();
        nameToType_ = c.name;
        confirmYes_ = c.replace;
        QCoreApplication::processEvents();
        entryOf(scenes(), {"Сохранить сцену из всех выводов…"}).trigger();
        EXPECT_EQ(told_, c.told);
        if (!c.told.empty()) {
            EXPECT_EQ(namesShown_.back(), *c.name);  // asked again as typed
        }
        EXPECT_EQ(readFile("Rules.ini"), rules);
    }
}

// A removal names, before it is confirmed, the entries it would leave at
// fault; declined, the file stays as it was.
TEST_F(RuleMenusTest, ARemovalNamesWhatUsesTheGroupOrScene) {
    const std::string rules =
        "\xEF\xBB\xBF[Group Теплица]\r\nOutputs=4-6\r\n[Scene Вечер]\r\nOn=1\r\n"
        "[Schedule Полив]\r\nAt=07:00\r\nOn=@Теплица\r\n[Schedule Закат]\r\nAt=19:00\r\nScene=Вечер\r\n";
    writeFile("Rules.ini", rules);
    start(true);
    confirmYes_ = false;
    entryOf(groups(), {"Удалить группу", "Теплица"}).trigger();
    entryOf(scenes(), {"Удалить сцену", "Вечер"}).trigger();
    EXPECT_EQ(confirmQuestions_,
              (std::vector<QString>{"Удалить группу «Теплица» из Rules.ini?\nБез неё перестанет действовать:\n"
                                    "Rules.ini, [Schedule Полив], On: нет группы «Теплица»",
                                    "Удалить сцену «Вечер» из Rules.ini?\nБез неё перестанет действовать:\n"
                                    "Rules.ini, [Schedule Закат], Scene: нет сцены «Вечер»"}));
    EXPECT_EQ(readFile("Rules.ini"), rules);
}

TEST_F(RuleMenusTest, CtrlZTakesBackTheLastAllOffAndIsEnabledOnlyWhileThereIsOne) {
    MyFrm& frm = start(true);
    frm.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
    QAction& undo = actionOf(frm, "undo_menu");
    EXPECT_EQ(entriesOf(menuOf(frm, "editmenu")), QStringList{"Отменить"});
    EXPECT_FALSE(undo.isEnabled());
    actionOf(frm, "off_all").trigger();
    EXPECT_TRUE(undo.isEnabled());
    for (int expectedTransfers : {1, 0}) {
        const auto before = transfers();
        QTest::keyClick(&list(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(transfers(), before + expectedTransfers);
        EXPECT_FALSE(undo.isEnabled());
        expectOff({});
    }
}

TEST_F(RuleMenusTest, EntriesAtFaultShowInTheStatusBarUntilAReadFindsNone) {
    writeFile("Rules.ini", "\xEF\xBB\xBF[Group Сад]\r\nOutputs=1,@Нет\r\n[Group Дом]\r\nOutputs=\r\n");
    start(true);
    const StatusField& message = *statusOf(*frm_).message;
    EXPECT_EQ(message.fullText(), QStringLiteral("Rules.ini, [Group Сад], Outputs: нет группы «Нет» (и ещё 1)"));
    EXPECT_EQ(message.palette().color(QPalette::WindowText), QColor(192, 0, 0));
    EXPECT_EQ(entriesOf(groups()), QStringList{"(групп нет)"} + kGroupEnd);

    writeFile("Rules.ini", kRules);
    plant_->core.execute({ReloadCommand{}, Source::CommandLine});
    QCoreApplication::processEvents();
    EXPECT_TRUE(message.isHidden());
    EXPECT_EQ(entriesOf(groups()), QStringList({"Сад", "Свет"}) + kGroupEnd);

    writeFile("Rules.ini", "\xFF\xFE");  // UTF-16: the groups read before stay, and the bar says why
    plant_->core.execute({ReloadCommand{}, Source::CommandLine});
    QCoreApplication::processEvents();
    EXPECT_EQ(message.fullText(), QStringLiteral("Rules.ini не прочитан (файл в UTF-16; читаются Windows-1251 и "
                                                 "UTF-8): действуют правила, прочитанные раньше"));
    EXPECT_EQ(entriesOf(groups()), QStringList({"Сад", "Свет"}) + kGroupEnd);
}

}  // namespace
}  // namespace kavtra::test
