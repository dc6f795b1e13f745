#include "ui/dialogs/option_frm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStandardItemModel>

#include <algorithm>
#include <tuple>

#include "persist/files/settings.h"
#include "persist/ini/numbers.h"
#include "ui/dialogs/dialog_look.h"
#include "ui/dialogs/period_edit.h"
#include "ui/main/twips.h"

namespace kavtra {
namespace {

constexpr double kMinimumPeriod = 50;
constexpr int kWidth = 5910;
constexpr int kHeight = 2400;
// The scenes' row, added to each frame below its three buttons.
constexpr int kSceneRow = 390;
constexpr int kSceneTop = 1110;
// The designed places of what grows or moves with that row.
const QRect kFrame1(120, 120, 2655, 1215);
const QRect kFrame2(2940, 120, 2895, 1215);
const QRect kCommand1(540, 1980, 1335, 255);
const QRect kCommand2(3720, 1980, 1455, 255);
const QRect kLabel1(180, 1500, 2850, 195);
const QRect kText1(3180, 1440, 735, 285);
const QRect kLabel2(4020, 1500, 1605, 195);

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

OptionFrm::OptionFrm(Settings& settings, QStringList scenes, QWidget* parent)
    : QDialog(parent), settings_(settings), scenes_(std::move(scenes)), rangeMessage_(showRangeMessage) {
    makeFixedToolWindow(*this, QStringLiteral("Настройки"), kWidth, kHeight);
    const QFont dialogFont = verdanaFont(false);
    setFont(dialogFont);

    Command1 = addButton(*this, "Command1", QStringLiteral("Ok"), kCommand1);
    Command2 = addButton(*this, "Command2", QStringLiteral("Отмена"), kCommand2);
    Frame1 = addFrame(*this, "Frame1", QStringLiteral("При запуске программы"), verdanaFont(true), kFrame1);
    Option1 = addOption(*Frame1, "Option1", QStringLiteral("Включать выводы"), dialogFont, {120, 360, 2055, 255});
    Option2 = addOption(*Frame1, "Option2", QStringLiteral("Выключать выводы"), dialogFont, {120, 600, 2175, 255});
    Option3 = addOption(*Frame1, "Option3", QStringLiteral("Запомненые значения"), dialogFont, {120, 840, 2415, 255});
    Frame2 = addFrame(*this, "Frame2", QStringLiteral("При выключении программы"), msSansSerifFont(true), kFrame2);
    Option4 = addOption(*Frame2, "Option4", QStringLiteral("Запомнить значения"), dialogFont, {120, 840, 2415, 255});
    Option5 = addOption(*Frame2, "Option5", QStringLiteral("Выключать выводы"), dialogFont, {120, 600, 2415, 255});
    Option6 = addOption(*Frame2, "Option6", QStringLiteral("Включать выводы"), dialogFont, {120, 360, 2655, 255});
    QLabel* Label1 = addLabel(*this, "Label1", QStringLiteral("Обновлять выводы каждые"), kLabel1);
    Text1 = new PeriodEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(verdanaFont(true));
    placeTwips(*Text1, kText1);
    QLabel* Label2 = addLabel(*this, "Label2", QStringLiteral("Мс  (50 - 10000)"), kLabel2);
    belowFrames_ = {
        {Command1, kCommand1}, {Command2, kCommand2}, {Label1, kLabel1}, {Text1, kText1}, {Label2, kLabel2}};

    const auto addSceneChoice = [&](QGroupBox& frame, const char* name, int width) {
        auto* label = new QLabel(QStringLiteral("Сцена:"), &frame);
        label->setFont(dialogFont);
        placeTwips(*label, {120, kSceneTop + 45, 660, 195});
        auto* choice = new QComboBox(&frame);
        choice->setObjectName(QLatin1String(name));
        choice->setFont(dialogFont);
        label->setBuddy(choice);
        placeTwips(*choice, {795, kSceneTop, width - 915, 300});
        return std::pair{label, choice};
    };
    std::tie(sceneLabels_[0], SceneLoad) = addSceneChoice(*Frame1, "SceneLoad", kFrame1.width());
    std::tie(sceneLabels_[1], SceneUnload) = addSceneChoice(*Frame2, "SceneUnload", kFrame2.width());

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
    setTabOrder(Text1, SceneLoad);
    setTabOrder(SceneLoad, SceneUnload);
    layOut(false);

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

    const std::string sceneLoad = settings_.sceneLoad();
    const std::string sceneUnload = settings_.sceneUnload();
    loadScene(*SceneLoad, sceneLoad);
    loadScene(*SceneUnload, sceneUnload);
    layOut(!scenes_.isEmpty() || !sceneLoad.empty() || !sceneUnload.empty());
}

void OptionFrm::loadScene(QComboBox& choice, const std::string& stored) {
    choice.clear();
    choice.addItem(QStringLiteral("(нет)"), QString());
    auto* items = qobject_cast<QStandardItemModel*>(choice.model());
    for (const QString& scene : scenes_) {
        choice.addItem(scene, scene);
        // Chosen, it would come back from config.ini as another name, and
        // the start would look for a scene that is not there.
        if (settings_.sceneNameAsStored(scene.toStdString()) != scene.toStdString()) {
            QStandardItem* item = items->item(choice.count() - 1);
            item->setEnabled(false);
            item->setToolTip(QStringLiteral("В кодировке config.ini (Windows-1251) нет всех знаков этого имени"));
        }
    }
    const QString name = QString::fromStdString(stored);
    if (!name.isEmpty() && !scenes_.contains(name))
        choice.addItem(QStringLiteral("%1 (нет в Rules.ini)").arg(name), name);
    choice.setCurrentIndex(std::max(0, choice.findData(name)));
}

void OptionFrm::layOut(bool withScenes) {
    const int shift = withScenes ? kSceneRow : 0;
    placeTwips(*Frame1, kFrame1.adjusted(0, 0, 0, shift));
    placeTwips(*Frame2, kFrame2.adjusted(0, 0, 0, shift));
    for (const auto& [widget, twips] : belowFrames_) placeTwips(*widget, twips.translated(0, shift));
    const std::array<QWidget*, 4> sceneRow = {SceneLoad, SceneUnload, sceneLabels_[0], sceneLabels_[1]};
    for (QWidget* widget : sceneRow) widget->setVisible(withScenes);
    setFixedSize(twipsToPixels(static_cast<float>(kWidth)), twipsToPixels(static_cast<float>(kHeight + shift)));
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
    const std::string sceneLoad = SceneLoad->currentData().toString().toStdString();
    const std::string sceneUnload = SceneUnload->currentData().toString().toStdString();
    if (sceneLoad != settings_.sceneLoad()) settings_.writeSceneLoad(sceneLoad);
    if (sceneUnload != settings_.sceneUnload()) settings_.writeSceneUnload(sceneUnload);
}

}  // namespace kavtra
