#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace kavtra {

class RuleBook;

// "Телефон": the page's access tokens of Rules.ini with what each reaches,
// made and removed here as --add-token and --remove-token make and remove
// them. A new token's secret
// is shown once, as a QR code of the page's address with the secret in the
// fragment (#token=…, which a browser never sends; the page takes it from
// there), and as that address to copy.
class PhoneDialog : public QDialog {
    Q_OBJECT

public:
    // Where a phone can open the page, or why nowhere.
    struct Reach {
        QStringList sites;
        QString why;
    };
    // Asked at the start and after each new token: the first token lets a
    // server for the network start that was refused without one.
    using AskReach = std::function<Reach()>;
    // Asks a question; true for "Да".
    using Confirm = std::function<bool(QWidget* parent, const QString& title, const QString& text)>;

    PhoneDialog(RuleBook& rules, AskReach askReach, Confirm confirm, QWidget* parent = nullptr);

    QTreeWidget* tokens;
    QLineEdit* name;
    QComboBox* role;
    QLineEdit* scope;  // what the new token reaches, as Scope= writes it; empty: every output
    QPushButton* makeButton;
    QPushButton* removeButton;
    QLabel* problem;
    QComboBox* site;  // where the code points
    QLabel* code;
    QLineEdit* link;  // the code's text, or the secret alone without a site

private:
    void fillTokens();
    void showReach();
    void make();
    void removeSelected();
    void showSecret();
    void tell(const QString& why);

    QLabel* where_;
    QLabel* once_;  // what to do with the code, and that it is shown once
    RuleBook& rules_;
    AskReach askReach_;
    Confirm confirm_;
    QString secret_;
};

}  // namespace kavtra
