#include "ui/dialogs/rule_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string_view>

namespace kavtra {
namespace {

QString text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }
std::string bytes(const QString& text) { return text.trimmed().toStdString(); }

enum Column { On, Name, When, If, Do };

QString valueOf(const RuleBook::Keys& keys, std::string_view key) {
    for (const auto& [name, value] : keys)
        if (name == key) return text(value);
    return {};
}

}  // namespace

RuleDialog::RuleDialog(RuleBook& rules, QWidget* parent) : QDialog(parent), rules_(rules) {
    setWindowTitle(QStringLiteral("Правила"));
    list = new QTreeWidget(this);
    list->setHeaderLabels({QStringLiteral("вкл."), QStringLiteral("Имя"), QStringLiteral("Когда"),
                           QStringLiteral("Если"), QStringLiteral("Делать")});
    list->setRootIsDecorated(false);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    newButton = new QPushButton(QStringLiteral("Новое"), this);
    removeButton = new QPushButton(QStringLiteral("Удалить"), this);
    name = new QLineEdit(this);
    when = new QLineEdit(this);
    when->setPlaceholderText(QStringLiteral("input 1 on, input 2 held 3s, output 5 change, scene Ночь"));
    conditions = new QLineEdit(this);
    conditions->setPlaceholderText(QStringLiteral("output 5 off; time 22:00-06:00; days Пн-Пт"));
    actions = new QLineEdit(this);
    actions->setPlaceholderText(QStringLiteral("set 7=on; scene Ночь; start Полив"));
    enabled = new QCheckBox(QStringLiteral("Включено"), this);
    message = new QLabel(this);
    message->setWordWrap(true);
    saveButton = new QPushButton(QStringLiteral("Сохранить"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Имя:"), name);
    form->addRow(QStringLiteral("Когда (When):"), when);
    form->addRow(QStringLiteral("Если (If):"), conditions);
    form->addRow(QStringLiteral("Делать (Do):"), actions);
    form->addRow(QString(), enabled);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(newButton);
    buttons->addWidget(removeButton);
    buttons->addStretch();
    buttons->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list, 1);
    layout->addLayout(form);
    layout->addWidget(message);
    layout->addLayout(buttons);
    resize(720, 420);

    connect(list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* row) {
        if (row && !filling_) edit(bytes(row->text(Name)));
    });
    connect(list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row, int column) {
        if (filling_ || column != On) return;
        switching_ = true;
        switched(bytes(row->text(Name)), row->checkState(On) == Qt::Checked);
        switching_ = false;
    });
    connect(newButton, &QPushButton::clicked, this, [this] { edit({}); });
    connect(removeButton, &QPushButton::clicked, this, &RuleDialog::removeSelected);
    connect(saveButton, &QPushButton::clicked, this, &RuleDialog::save);
    // A row's box sets a reading off from inside that row's own change, and
    // filling deletes the row: then the list is filled anew once it returned.
    listener_ = rules_.addListener([this] {
        if (switching_)
            QMetaObject::invokeMethod(
                this, [this] { fillList(); }, Qt::QueuedConnection);
        else
            fillList();
    });
    fillList();
    edit({});
}

RuleDialog::~RuleDialog() { rules_.removeListener(listener_); }

void RuleDialog::fillList() {
    filling_ = true;
    list->clear();
    for (const Rule& rule : rules_.rules().automationRules) {
        auto* row = new QTreeWidgetItem(list, {QString(), text(rule.name), valueOf(rule.written, "When"),
                                               valueOf(rule.written, "If"), valueOf(rule.written, "Do")});
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(On, rule.enabled ? Qt::Checked : Qt::Unchecked);
        if (rule.name == editing_) list->setCurrentItem(row);
    }
    // A rule at fault is not in force: its row says why, in red.
    for (const RuleProblem& problem : rules_.problems()) {
        const std::string section = problem.section;
        if (section.rfind("Rule ", 0) != 0) continue;
        auto* row = new QTreeWidgetItem(
            list, {QStringLiteral("—"), text(section.substr(5)), QStringLiteral("не действует: ") + text(problem.why)});
        row->setForeground(Name, Qt::red);
        row->setForeground(When, Qt::red);
        row->setToolTip(When, text(problemText(problem)));
    }
    removeButton->setEnabled(list->currentItem() != nullptr);
    filling_ = false;
}

void RuleDialog::edit(const std::string& chosen) {
    editing_ = chosen;
    const RuleBook::Keys keys = chosen.empty() ? RuleBook::Keys{} : rules_.entryKeys(EntryKind::Rule, chosen);
    name->setText(text(chosen));
    const std::pair<QLineEdit*, std::string_view> fields[] = {{when, "When"}, {conditions, "If"}, {actions, "Do"}};
    for (const auto& [field, key] : fields) field->setText(valueOf(keys, key));
    const Rule* rule = rules_.rules().rule(chosen);
    enabled->setChecked(!rule || rule->enabled);
    removeButton->setEnabled(!chosen.empty());
    message->clear();
    for (const RuleProblem& problem : rules_.problems())
        if (!chosen.empty() && problem.section == ruleSection(chosen)) tell(problemText(problem), true);
}

void RuleDialog::save() {
    const std::string newName = bytes(name->text());
    const RuleBook::Keys keys = {{"When", bytes(when->text())},
                                 {"If", bytes(conditions->text())},
                                 {"Do", bytes(actions->text())},
                                 {"Enabled", enabled->isChecked() ? "" : "0"}};
    const std::string why = rules_.saveEntry(EntryKind::Rule, editing_, newName, keys);
    if (!why.empty()) return tell(why, true);
    editing_ = newName;
    fillList();
    tell("Сохранено в Rules.ini.", false);
}

void RuleDialog::removeSelected() {
    if (editing_.empty()) return;
    const std::string why = rules_.remove(ruleSection(editing_));
    if (!why.empty()) return tell(why, true);
    const std::string removed = editing_;
    edit({});
    tell("Правило «" + removed + "» удалено.", false);
}

void RuleDialog::switched(const std::string& chosen, bool on) {
    const std::string why = rules_.switchRule(chosen, on);
    if (!why.empty()) return tell(why, true);
    if (chosen == editing_) enabled->setChecked(on);
    tell(std::string("Правило «") + chosen + (on ? "» включено." : "» выключено."), false);
}

void RuleDialog::tell(const std::string& why, bool failed) {
    message->setText(text(why));
    QPalette palette = this->palette();
    if (failed) palette.setColor(QPalette::WindowText, Qt::red);
    message->setPalette(palette);
}

}  // namespace kavtra
