#include "ui/dialogs/option_frm.h"

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "persist/files/settings.h"
#include "persist/ini/numbers.h"
#include "ui/dialogs/dialog_look.h"
#include "ui/dialogs/period_edit.h"

namespace kavtra {
namespace {

constexpr double kMinimumPeriod = 50;

void showRangeMessage(QWidget* owner) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Введите значение"),
                    QStringLiteral("Значение обновления должно быть 50-10000"), QMessageBox::Ok, owner);
    box.exec();
}

QPushButton* addButton(QWidget& parent, const char* name, const QString& caption, const QRect& twips) {
    auto* button = new QPushButton(caption, &parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(msSansSerifFont(false));
    button->setAutoDefault(false);
    placeTwips(*button, twips);
    return button;
}

QGroupBox* addFrame(QWidget& parent, const char* name, const QString& caption, const QFont& font, const QRect& twips) {
    auto* frame = new QGroupBox(caption, &parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFont(font);
    placeTwips(*frame, twips);
    return frame;
}

// The buttons keep the dialog's font, not their frame's.
QRadioButton* addOption(QGroupBox& frame, const char* name, const QString& caption, const QFont& font,
                        const QRect& twips) {
    auto* option = new QRadioButton(caption, &frame);
    option->setObjectName(QLatin1String(name));
    option->setFont(font);
    placeTwips(*option, twips);
    return option;
}

QLabel* addLabel(QWidget& parent, const char* name, const QString& text, const QRect& twips) {
    auto* label = new QLabel(text, &parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(verdanaFont(true));
    placeTwips(*label, twips);
    return label;
}

}  // namespace

OptionFrm::OptionFrm(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), rangeMessage_(showRangeMessage) {
    makeFixedToolWindow(*this, QStringLiteral("Настройки"), 5910, 2400);
    const QFont dialogFont = verdanaFont(false);
    setFont(dialogFont);

    Command1 = addButton(*this, "Command1", QStringLiteral("Ok"), {540, 1980, 1335, 255});
    Command2 = addButton(*this, "Command2", QStringLiteral("Отмена"), {3720, 1980, 1455, 255});
    QGroupBox* Frame1 =
        addFrame(*this, "Frame1", QStringLiteral("При запуске программы"), verdanaFont(true), {120, 120, 2655, 1215});
    Option1 = addOption(*Frame1, "Option1", QStringLiteral("Включать выводы"), dialogFont, {120, 360, 2055, 255});
    Option2 = addOption(*Frame1, "Option2", QStringLiteral("Выключать выводы"), dialogFont, {120, 600, 2175, 255});
    Option3 = addOption(*Frame1, "Option3", QStringLiteral("Запомненые значения"), dialogFont, {120, 840, 2415, 255});
    QGroupBox* Frame2 = addFrame(*this, "Frame2", QStringLiteral("При выключении программы"), msSansSerifFont(true),
                                 {2940, 120, 2895, 1215});
    Option4 = addOption(*Frame2, "Option4", QStringLiteral("Запомнить значения"), dialogFont, {120, 840, 2415, 255});
    Option5 = addOption(*Frame2, "Option5", QStringLiteral("Выключать выводы"), dialogFont, {120, 600, 2415, 255});
    Option6 = addOption(*Frame2, "Option6", QStringLiteral("Включать выводы"), dialogFont, {120, 360, 2655, 255});
    addLabel(*this, "Label1", QStringLiteral("Обновлять выводы каждые"), {180, 1500, 2850, 195});
    Text1 = new PeriodEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(verdanaFont(true));
    placeTwips(*Text1, {3180, 1440, 735, 285});
    addLabel(*this, "Label2", QStringLiteral("Мс  (50 - 10000)"), {4020, 1500, 1605, 195});

    Option3->setChecked(true);
    Option4->setChecked(true);
    Text1->setText(QStringLiteral("100"));

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, Option4);
    setTabOrder(Option4, Option5);
    setTabOrder(Option5, Option6);
    setTabOrder(Option6, Text1);

    connect(Command1, &QPushButton::clicked, this, &OptionFrm::okClicked);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void OptionFrm::setRangeMessage(RangeMessage message) { rangeMessage_ = std::move(message); }

void OptionFrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        load();
        Command1->setFocus();
    }
    QDialog::showEvent(event);
}

void OptionFrm::keyPressEvent(QKeyEvent* event) { QWidget::keyPressEvent(event); }

void OptionFrm::load() {
    const std::int16_t startUp = settings_.valLoad();
    const std::int16_t exit = settings_.valUnload();
    // A code other than 1, 2 or 3 keeps the buttons a new dialog starts with.
    Option3->setChecked(true);
    Option4->setChecked(true);
    for (const PolicyButton& p : policyButtons()) {
        if (p.code == (p.startUp ? startUp : exit)) p.button->setChecked(true);
    }
    Text1->setText(QString::fromStdString(settings_.timeUpdateText()));
}

void OptionFrm::okClicked() {
    const double period = numericReading(Text1->text().toStdString());
    if (!(period >= kMinimumPeriod && period <= PeriodEdit::kMaximum)) {
        rangeMessage_(this);
        Text1->setFocus();
        Text1->selectWhole();
        return;
    }
    SaveConfig();
    accept();
}

std::array<OptionFrm::PolicyButton, 6> OptionFrm::policyButtons() const {
    return {{{Option1, true, kPolicyAllOn},
             {Option2, true, kPolicyAllOff},
             {Option3, true, kPolicyRemembered},
             {Option6, false, kPolicyAllOn},
             {Option5, false, kPolicyAllOff},
             {Option4, false, kPolicyRemembered}}};
}

void OptionFrm::SaveConfig() {
    for (const PolicyButton& p : policyButtons()) {
        if (!p.button->isChecked()) continue;
        if (p.startUp)
            settings_.writeValLoad(p.code);
        else
            settings_.writeValUnload(p.code);
    }
    settings_.writeTimeUpdate(Text1->text().toStdString());
}

}  // namespace kavtra
