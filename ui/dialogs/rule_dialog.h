#pragma once

#include <QDialog>

#include <string>

#include "rules/rule_book.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace kavtra {

// "Правила": the rules of Rules.ini, a row each with its box "вкл." (a click
// switches the rule on or off and keeps it so in the file), and a form of
// one rule's When, If and Do. "Сохранить" puts the form into the file in one
// save; what reading would refuse is said in the form, which keeps what was
// typed. Not modal; it follows every reading of Rules.ini.
class RuleDialog : public QDialog {
    Q_OBJECT

public:
    explicit RuleDialog(RuleBook& rules, QWidget* parent = nullptr);
    ~RuleDialog() override;

    QTreeWidget* list;
    QPushButton* newButton;
    QPushButton* removeButton;
    QLineEdit* name;
    QLineEdit* when;
    QLineEdit* conditions;
    QLineEdit* actions;
    QCheckBox* enabled;
    QLabel* message;
    QPushButton* saveButton;

private:
    void fillList();
    void edit(const std::string& chosen);
    void save();
    void removeSelected();
    void switched(const std::string& chosen, bool on);
    void tell(const std::string& text, bool failed);

    RuleBook& rules_;
    RuleBook::ListenerId listener_;
    std::string editing_;  // the rule the form replaces; empty for a new one
    bool filling_ = false;
    bool switching_ = false;  // inside the change of a row's box
};

}  // namespace kavtra
