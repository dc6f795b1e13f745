#include "ui/dialogs/place_dialog.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "tests/support/core_on_board.h"
#include "tests/support/dialog_ok.h"
#include "ui/dialogs/schedule_dialog.h"

namespace kavtra {
namespace {

class PlaceDialogTest : public ::testing::Test, protected test::CoreOnBoard {};

// "Ok" with what was typed or picked: Rules.ini's bytes, and the red line.
TEST_F(PlaceDialogTest, OkWritesLatitudeAndLongitudeOrSaysWhyNot) {
    const std::string others = "[Group Теплица]\nOutputs=1-3\n";
    const struct {
        const char* step;
        std::string before;
        const char* city;  // picked from the list, or nullptr
        QString latitude;
        QString longitude;
        std::string after;
        QString refusal;
    } cases[] = {
        {"typed with a comma",
         others,
         nullptr,
         " 55,75",
         "37.62 ",
         others + "[Place]\nLatitude=55.75\nLongitude=37.62\n",
         {}},
        {"picked, other keys kept",
         "[Place]\nLongitude=1\nNote=дача\nLatitude=2\n" + others,
         "Новосибирск",
         {},
         {},
         "[Place]\nLongitude=82.92\nNote=дача\nLatitude=55.03\n" + others,
         {}},
        {"south, a plus sign",
         others,
         nullptr,
         "-33.87",
         "+151.21",
         others + "[Place]\nLatitude=-33.87\nLongitude=151.21\n",
         {}},
        {"latitude past the pole", others, nullptr, "91", "37.62", others,
         "Широта «91»: нужно число градусов от -90 до 90 (север +, юг -)."},
        {"longitude in words", others, nullptr, "55.75", "восток", others,
         "Долгота «восток»: нужно число градусов от -180 до 180 (восток +, запад -)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        useRules(c.before);
        PlaceDialog dialog(rules);
        if (c.city) {
            dialog.city->setCurrentIndex(dialog.city->findText(QString::fromUtf8(c.city)));
            emit dialog.city->activated(dialog.city->currentIndex());
        } else {
            dialog.latitude->setText(c.latitude);
            dialog.longitude->setText(c.longitude);
        }
        test::clickOk(dialog);
        EXPECT_EQ(test::readBytes(rules.path()), test::rulesFileText(c.after));
        EXPECT_EQ(dialog.result(), c.refusal.isEmpty() ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dialog.problem->isHidden() ? QString() : dialog.problem->text(), c.refusal);
    }
}

// Sunset needs a place: the form refuses it, and takes it once "Место…" set one.
TEST_F(PlaceDialogTest, TheScheduleFormTakesSunsetOnceThePlaceIsSet) {
    useRules("[Group Теплица]\nOutputs=1-3\n");
    ScheduleDialog schedules(rules, {});
    schedules.name->setText("Витрина");
    schedules.at->setText("закат-15");
    schedules.on->setText("@Теплица");
    schedules.saveButton->click();
    EXPECT_EQ(schedules.message->text().toStdString(),
              "Rules.ini, [Schedule Витрина], At: для восхода и заката нужны Latitude и Longitude в [Place]");

    schedules.placeButton->click();
    auto* place = schedules.findChild<PlaceDialog*>();
    ASSERT_NE(place, nullptr);
    place->city->setCurrentIndex(place->city->findText("Москва"));
    emit place->city->activated(place->city->currentIndex());
    test::clickOk(*place);
    schedules.saveButton->click();
    EXPECT_EQ(schedules.message->text().toStdString(), "Сохранено в Rules.ini.");
    EXPECT_EQ(test::readBytes(rules.path()),
              test::rulesFileText("[Group Теплица]\nOutputs=1-3\n[Place]\nLatitude=55.75\nLongitude=37.62\n"
                                  "[Schedule Витрина]\nAt=закат-15\nOn=@Теплица\n"));
}

}  // namespace
}  // namespace kavtra
