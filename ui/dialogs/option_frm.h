#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "persist/files/settings.h"

class QPushButton;
class QRadioButton;

namespace kavtra {

class PeriodEdit;

// "Настройки": the transfer period and the start-up and exit policies of
// config.ini. Every opening reads the three keys anew; "Ok" writes all three
// after checking the period; "Отмена" and the close box write nothing. The
// main window's transfer timer picks a new period up from the file itself.
class OptionFrm : public QDialog {
    Q_OBJECT
public:
    // Tells the user that the period is out of range; returns once dismissed.
    using RangeMessage = std::function<void(QWidget* owner)>;

    explicit OptionFrm(Settings& settings, QWidget* parent = nullptr);

    void setRangeMessage(RangeMessage message);

protected:
    void showEvent(QShowEvent* event) override;
    // Neither button is default or cancel: Enter and Escape mean nothing here.
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct PolicyButton {
        QRadioButton* button;
        bool startUp;  // ValLoad; otherwise ValUnload
        std::int16_t code;
    };
    // In the order SaveConfig writes them: the start-up frame, then the exit
    // frame from top to bottom.
    std::array<PolicyButton, 6> policyButtons() const;

    void load();
    void okClicked();
    void SaveConfig();

    Settings& settings_;
    RangeMessage rangeMessage_;

    // The controls the handlers use; the frames and labels only stand there.
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option6 = nullptr;
    PeriodEdit* Text1 = nullptr;
};

}  // namespace kavtra
