#include "ui/dialogs/place_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <chrono>
#include <optional>
#include <string>

#include "schedule/local_zone.h"
#include "schedule/schedule_text.h"
#include "schedule/sun.h"
#include "ui/dialogs/dialog_look.h"

namespace kavtra {
namespace {

using namespace std::chrono;

struct City {
    const char* name;
    Place place;
};

// City centres to a hundredth of a degree, about a kilometre: sunrise moves
// by a few seconds over that.
const City kCities[] = {
    {"Алматы", {43.24, 76.89}},
    {"Астана", {51.17, 71.45}},
    {"Волгоград", {48.71, 44.51}},
    {"Владивосток", {43.12, 131.89}},
    {"Воронеж", {51.66, 39.20}},
    {"Екатеринбург", {56.84, 60.61}},
    {"Казань", {55.80, 49.11}},
    {"Киев", {50.45, 30.52}},
    {"Краснодар", {45.04, 38.98}},
    {"Минск", {53.90, 27.56}},
    {"Москва", {55.75, 37.62}},
    {"Нижний Новгород", {56.33, 44.00}},
    {"Новосибирск", {55.03, 82.92}},
    {"Пермь", {58.01, 56.25}},
    {"Ростов-на-Дону", {47.24, 39.71}},
    {"Самара", {53.20, 50.14}},
    {"Санкт-Петербург", {59.94, 30.31}},
    {"Ташкент", {41.30, 69.24}},
    {"Уфа", {54.74, 55.97}},
    {"Хабаровск", {48.48, 135.07}},
};

QString degreesShown(double degrees) { return QString::fromStdString(degreesText(degrees)); }

std::optional<Place> typedPlace(const QLineEdit& latitude, const QLineEdit& longitude) {
    const auto north = parseDegrees(latitude.text().toStdString(), kMostLatitude);
    const auto east = parseDegrees(longitude.text().toStdString(), kMostLongitude);
    if (!north || !east) return std::nullopt;
    return Place{*north, *east};
}

QString localClock(sys_seconds moment) {
    const auto local = round<minutes>(localTimeOf(systemZone(), moment));
    const hh_mm_ss clock(local - floor<days>(local));
    return QStringLiteral("%1:%2")
        .arg(clock.hours().count(), 2, 10, QChar('0'))
        .arg(clock.minutes().count(), 2, 10, QChar('0'));
}

// Today's sunrise and sunset there, by this computer's clock and zone.
QString sunToday(const Place& place) {
    const auto now = floor<seconds>(system_clock::now());
    const year_month_day today{floor<days>(localTimeOf(systemZone(), now))};
    const auto rise = sunriseOn(place, today);
    const auto set = sunsetOn(place, today);
    if (!rise || !set) return QStringLiteral("Сегодня там нет восхода или заката: полярный день или ночь.");
    return QStringLiteral("Сегодня там восход в %1, закат в %2 (по часам этого компьютера).")
        .arg(localClock(*rise), localClock(*set));
}

}  // namespace

PlaceDialog::PlaceDialog(RuleBook& rules, QWidget* parent)
    : QDialog(parent),
      city(new QComboBox(this)),
      latitude(new QLineEdit(this)),
      longitude(new QLineEdit(this)),
      sun(new QLabel(this)),
      problem(new QLabel(this)),
      rules_(rules) {
    setWindowTitle(QStringLiteral("Место"));
    setObjectName(QStringLiteral("place"));
    city->setObjectName(QStringLiteral("placeCity"));
    latitude->setObjectName(QStringLiteral("placeLatitude"));
    longitude->setObjectName(QStringLiteral("placeLongitude"));
    problem->setObjectName(QStringLiteral("placeProblem"));
    city->addItem(QStringLiteral("(другое место)"));
    for (const City& each : kCities) city->addItem(QString::fromUtf8(each.name));
    latitude->setPlaceholderText(QStringLiteral("55,75"));
    longitude->setPlaceholderText(QStringLiteral("37,62"));
    if (const std::optional<Place>& place = rules.rules().place) {
        latitude->setText(degreesShown(place->latitude));
        longitude->setText(degreesShown(place->longitude));
    }
    sun->setWordWrap(true);
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    problem->hide();

    auto* hint = new QLabel(QStringLiteral("Для расписаний по восходу и закату. Градусы с точкой или запятой: "
                                           "широта к северу +, к югу -; долгота к востоку +, к западу -."),
                            this);
    hint->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Город:"), city);
    form->addRow(QStringLiteral("Широта:"), latitude);
    form->addRow(QStringLiteral("Долгота:"), longitude);
    QDialogButtonBox* buttons = okCancelButtons(*this, [this] { okClicked(); });
    auto* column = new QVBoxLayout(this);
    column->addWidget(hint);
    column->addLayout(form);
    column->addWidget(sun);
    column->addWidget(problem);
    column->addWidget(buttons);
    setMinimumWidth(420);

    connect(city, &QComboBox::activated, this, &PlaceDialog::cityChosen);
    for (QLineEdit* field : {latitude, longitude})
        connect(field, &QLineEdit::textEdited, this, &PlaceDialog::placeTyped);
    placeTyped();
}

void PlaceDialog::cityChosen(int index) {
    if (index < 1) return;
    const Place& place = kCities[index - 1].place;
    latitude->setText(degreesShown(place.latitude));
    longitude->setText(degreesShown(place.longitude));
    placeTyped();
}

void PlaceDialog::placeTyped() {
    const std::optional<Place> place = typedPlace(*latitude, *longitude);
    sun->setText(place ? sunToday(*place)
                       : QStringLiteral("Восход и закат будут видны, когда широта и долгота "
                                        "введены верно."));
    // The list names the city whose place is typed, and no other.
    int shown = 0;
    for (int i = 0; place && i < static_cast<int>(std::size(kCities)); ++i)
        if (kCities[i].place == *place) shown = i + 1;
    const QSignalBlocker quiet(city);
    city->setCurrentIndex(shown);
}

void PlaceDialog::okClicked() {
    const auto north = parseDegrees(latitude->text().toStdString(), kMostLatitude);
    if (!north)
        return refuse(QStringLiteral("Широта «%1»: %2.").arg(latitude->text(), QString::fromUtf8(kLatitudeForm)),
                      latitude);
    const auto east = parseDegrees(longitude->text().toStdString(), kMostLongitude);
    if (!east)
        return refuse(QStringLiteral("Долгота «%1»: %2.").arg(longitude->text(), QString::fromUtf8(kLongitudeForm)),
                      longitude);
    const std::string why = rules_.savePlace(Place{*north, *east});
    if (!why.empty()) return refuse(QString::fromStdString(why), latitude);
    accept();
}

void PlaceDialog::refuse(const QString& why, QLineEdit* field) {
    problem->setText(why);
    problem->show();
    // Grown by the red line, or the buttons below it are cut off.
    adjustSize();
    field->setFocus();
}

}  // namespace kavtra
