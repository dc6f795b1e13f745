#pragma once

#include <QDialog>

#include "rules/rule_book.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace kavtra {

// "Место": where sunrise and sunset are computed, [Place] of Rules.ini.
// Latitude and longitude are typed (a point or a comma) or taken from a short
// list of cities; today's sunrise and sunset there are shown as they are
// typed. "Ok" saves both through the rule book, or says in red why not and
// stays open with what was typed.
class PlaceDialog : public QDialog {
    Q_OBJECT

public:
    explicit PlaceDialog(RuleBook& rules, QWidget* parent = nullptr);

    QComboBox* city;
    QLineEdit* latitude;
    QLineEdit* longitude;
    // Today's sunrise and sunset at the place typed.
    QLabel* sun;
    QLabel* problem;

private:
    void cityChosen(int index);
    void placeTyped();
    void okClicked();
    void refuse(const QString& why, QLineEdit* field);

    RuleBook& rules_;
};

}  // namespace kavtra
