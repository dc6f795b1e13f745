#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

#include "rules/rule_book.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace kavtra {

// "Расписание": the schedules of Rules.ini, one row each (name, when and
// what), and a form for one of them. "Сохранить" puts the form's entry into
// the file in one save; what the rule book refuses is said in the form,
// which keeps what was typed. The dialog is not modal and follows every read
// and edit of Rules.ini, whoever made it.
class ScheduleDialog : public QDialog {
    Q_OBJECT

public:
    // Asks a question; true for "Да".
    using Confirm = std::function<bool(QWidget* parent, const QString& title, const QString& text)>;

    ScheduleDialog(RuleBook& rules, Confirm confirm, QWidget* parent = nullptr);
    ~ScheduleDialog() override;

    QTreeWidget* list;
    QPushButton* addButton;
    QPushButton* editButton;
    QPushButton* removeButton;
    // The next events of all schedules, with their times.
    QLabel* upcoming;

    QGroupBox* form;
    QLineEdit* name;
    QRadioButton* eventKind;
    QRadioButton* windowKind;
    QLineEdit* at;
    QLineEdit* from;
    QLineEdit* to;
    // Opens "Место", where sunrise and sunset are computed.
    QPushButton* placeButton;
    QLineEdit* days;
    QLineEdit* on;
    QLineEdit* off;
    QComboBox* scene;
    QLabel* message;
    QPushButton* saveButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillList();
    void fillUpcoming();
    void fillScenes(const QString& chosen);
    // The form empty, for a new entry.
    void startNew();
    // The form with the selected entry, to be saved in its place.
    void editSelected();
    void removeSelected();
    void save();
    void showKind();
    void openPlace();
    void tell(const std::string& why, bool failed);
    // The selected row's schedule, or empty.
    std::string selectedName() const;
    void select(const std::string& name);

    RuleBook& rules_;
    Confirm confirm_;
    RuleBook::ListenerId listener_;
    // The entry the form replaces when saved; empty for a new one.
    std::string editing_;
    // The column of the list and its buttons; whatever else is shown about
    // the schedules goes below them.
    QVBoxLayout* listColumn_;
};

}  // namespace kavtra
