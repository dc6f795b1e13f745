#include "ui/dialogs/schedule_dialog.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/core_on_board.h"

namespace kavtra {
namespace {

using Texts = std::vector<std::string>;

class ScheduleDialogTest : public ::testing::Test, protected test::CoreOnBoard {
protected:
    ScheduleDialogTest() { useRules(kStart); }

    // Each row as "name | when and what".
    Texts rows() const {
        Texts shown;
        for (int r = 0; r < dialog.list->topLevelItemCount(); ++r)
            shown.push_back(
                (dialog.list->topLevelItem(r)->text(0) + " | " + dialog.list->topLevelItem(r)->text(1)).toStdString());
        return shown;
    }
    void choose(const QString& name) {
        const auto found = dialog.list->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        dialog.list->setCurrentItem(found.front());
    }

    static constexpr const char* kStart =
        "[Place]\nLatitude=55.75\nLongitude=37.62\n[Group Теплица]\nOutputs=1-3\n[Scene Праздник]\nOn=7\n";
    Texts questions;
    bool answer = true;
    ScheduleDialog dialog{rules, [this](QWidget*, const QString&, const QString& text) {
                              questions.push_back(text.toStdString());
                              return answer;
                          }};
};

TEST_F(ScheduleDialogTest, AddsEditsAndRemovesEntriesThroughTheForm) {
    const std::string start = kStart;
    const std::string watering = "Полив | 06:00 · Пн, Ср, Пт · вкл @Теплица";
    const struct {
        const char* step;
        std::function<void(ScheduleDialog&)> act;
        std::string file;
        Texts rows;
        std::string message;
    } steps[] = {
        {"add",
         [](ScheduleDialog& d) {
             d.addButton->click();
             d.name->setText(" Полив ");
             d.at->setText("06:00");
             d.days->setText("Mon,Wed,Fri");
             d.on->setText("@Теплица");
             d.saveButton->click();
         },
         start + "[Schedule Полив]\nAt=06:00\nDays=Mon,Wed,Fri\nOn=@Теплица\n",
         {watering},
         "Сохранено в Rules.ini."},
        {"add a taken name",
         [](ScheduleDialog& d) {
             d.addButton->click();
             d.name->setText("Полив");
             d.at->setText("07:00");
             d.saveButton->click();
         },
         start + "[Schedule Полив]\nAt=06:00\nDays=Mon,Wed,Fri\nOn=@Теплица\n",
         {watering},
         "расписание «Полив» уже есть"},
        {"add a window",
         [](ScheduleDialog& d) {
             d.name->setText("Витрина");
             d.windowKind->setChecked(true);
             d.from->setText("sunset-15");
             d.to->setText("23:30");
             d.days->setText("daily");
             d.on->setText("40-45");
             d.saveButton->click();
         },
         start + "[Schedule Полив]\nAt=06:00\nDays=Mon,Wed,Fri\nOn=@Теплица\n" +
             "[Schedule Витрина]\nFrom=sunset-15\nTo=23:30\nDays=daily\nOn=40-45\n",
         {watering, "Витрина | закат -15 мин – 23:30 · ежедневно · вкл 40-45"},
         "Сохранено в Rules.ini."},
        {"edit into a dated event",
         [&](ScheduleDialog& d) {
             choose("Полив");
             d.editButton->click();
             EXPECT_EQ(d.days->text().toStdString(), "Mon,Wed,Fri");
             d.name->setText("Новый год");
             d.at->setText("2026-12-31 23:59:30");
             d.days->clear();
             d.on->clear();
             d.scene->setCurrentIndex(d.scene->findText("Праздник"));
             d.saveButton->click();
         },
         start + "[Schedule Витрина]\nFrom=sunset-15\nTo=23:30\nDays=daily\nOn=40-45\n" +
             "[Schedule Новый год]\nAt=2026-12-31 23:59:30\nScene=Праздник\n",
         {"Витрина | закат -15 мин – 23:30 · ежедневно · вкл 40-45",
          "Новый год | 31.12.2026 23:59:30 · сцена «Праздник»"},
         "Сохранено в Rules.ini."},
        {"remove, answered no",
         [&](ScheduleDialog& d) {
             answer = false;
             choose("Витрина");
             d.removeButton->click();
         },
         start + "[Schedule Витрина]\nFrom=sunset-15\nTo=23:30\nDays=daily\nOn=40-45\n" +
             "[Schedule Новый год]\nAt=2026-12-31 23:59:30\nScene=Праздник\n",
         {"Витрина | закат -15 мин – 23:30 · ежедневно · вкл 40-45",
          "Новый год | 31.12.2026 23:59:30 · сцена «Праздник»"},
         "Сохранено в Rules.ini."},
        {"remove",
         [&](ScheduleDialog& d) {
             answer = true;
             d.removeButton->click();
         },
         start + "[Schedule Новый год]\nAt=2026-12-31 23:59:30\nScene=Праздник\n",
         {"Новый год | 31.12.2026 23:59:30 · сцена «Праздник»"},
         "Расписание «Витрина» удалено."},
        {"an entry at fault, read from elsewhere, then opened",
         [&](ScheduleDialog& d) {
             useRules(start + "[Schedule Сломано]\nAt=06:00\nOn=@Нет\n");
             choose("Сломано");
             d.editButton->click();
             EXPECT_EQ(d.on->text().toStdString(), "@Нет");
         },
         start + "[Schedule Сломано]\nAt=06:00\nOn=@Нет\n",
         {"Сломано | не действует: On: нет группы «Нет»"},
         "Rules.ini, [Schedule Сломано], On: нет группы «Нет»"},
    };
    dialog.show();
    for (const auto& s : steps) {
        s.act(dialog);
        EXPECT_EQ(test::readBytes(rules.path()), test::rulesFileText(s.file)) << s.step;
        EXPECT_EQ(rows(), s.rows) << s.step;
        EXPECT_EQ(dialog.message->text().toStdString(), s.message) << s.step;
        EXPECT_TRUE(dialog.isVisible()) << s.step;
    }
    EXPECT_EQ(questions,
              (Texts{"Удалить расписание «Витрина» из Rules.ini?", "Удалить расписание «Витрина» из Rules.ini?"}));
}

TEST_F(ScheduleDialogTest, ShowsTheNextEventsAndSaysWhenThereAreNone) {
    EXPECT_EQ(dialog.upcoming->text().toStdString(), "Ближайшие события:\nнет");
    useRules(std::string(kStart) + "[Schedule Год]\nAt=2099-12-31 23:59:30\nOff=5\n");
    EXPECT_EQ(dialog.upcoming->text().toStdString(), "Ближайшие события:\n2099-12-31 23:59:30  Год  off=5");
}

}  // namespace
}  // namespace kavtra
