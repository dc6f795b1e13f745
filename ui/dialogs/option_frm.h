#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "persist/files/settings.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kavtra {

class PeriodEdit;

// "Настройки": the transfer period and the start-up and exit policies of
// config.ini. Every opening reads the three keys anew; "Ok" writes all three
// after checking the period; "Отмена" and the close box write nothing. The
// main window's transfer timer picks a new period up from the file itself.
// Where there is a scene to choose (Rules.ini has one, or config.ini names
// one), each policy's frame also offers a scene recalled after it
// (SceneLoad, SceneUnload), and the dialog grows by that row; "Ok" writes a
// scene key only when the choice differs from the file. Without scenes the
// dialog is as it always was.
class OptionFrm : public QDialog {
    Q_OBJECT
public:
    // Tells the user that the period is out of range; returns once dismissed.
    using RangeMessage = std::function<void(QWidget* owner)>;

    // `scenes`: the names of Rules.ini's scenes, in its order.
    explicit OptionFrm(Settings& settings, QStringList scenes = {}, QWidget* parent = nullptr);

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
    void loadScene(QComboBox& choice, const std::string& stored);
    // The frames taller by the scenes' row, and what lies below them lower.
    void layOut(bool withScenes);
    void okClicked();
    void SaveConfig();

    Settings& settings_;
    const QStringList scenes_;
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
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QComboBox* SceneLoad = nullptr;
    QComboBox* SceneUnload = nullptr;
    std::array<QLabel*, 2> sceneLabels_{};
    // Where the designed layout puts what moves when the scenes' row shows.
    std::vector<std::pair<QWidget*, QRect>> belowFrames_;
};

}  // namespace kavtra
