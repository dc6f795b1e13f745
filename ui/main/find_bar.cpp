#include "ui/main/find_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>

#include <vector>

#include "commands/output_list.h"

namespace kavtra {
namespace {

bool matches(const QTreeWidgetItem& row, int output, const QString& text) {
    if (text.isEmpty()) return true;
    return QString::number(output).startsWith(text) || row.text(0).contains(text, Qt::CaseInsensitive);
}

}  // namespace

FindBar::FindBar(QTreeWidget& list, QWidget* parent)
    : QWidget(parent), field(new QLineEdit(this)), found(new QLabel(this)), list_(list) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("Найти:"), this);
    label->setBuddy(field);
    field->setPlaceholderText(QStringLiteral("название или номер"));
    field->setClearButtonEnabled(true);
    auto* closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("✕"));
    closeButton->setToolTip(QStringLiteral("Закрыть (Esc)"));
    closeButton->setAutoRaise(true);
    layout->addWidget(label);
    layout->addWidget(field, 1);
    layout->addWidget(found);
    layout->addWidget(closeButton);
    connect(field, &QLineEdit::textChanged, this, &FindBar::filter);
    connect(field, &QLineEdit::returnPressed, this, &FindBar::goToFirstMatch);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::dismiss);
    hide();
}

void FindBar::open() {
    show();
    field->setFocus(Qt::ShortcutFocusReason);
    field->selectAll();
    filter(field->text());
}

void FindBar::dismiss() {
    hide();
    filter(QString());
    if (QTreeWidgetItem* current = list_.currentItem()) list_.scrollToItem(current);
    list_.setFocus(Qt::OtherFocusReason);
}

void FindBar::filter(const QString& text) {
    const QString wanted = text.trimmed();
    const bool active = !isHidden();
    std::vector<int> shown;
    for (int i = 0; i < list_.topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_.topLevelItem(i);
        const bool hidden = active && !matches(*row, i + 1, wanted);
        row->setHidden(hidden);
        // A hidden row must not be switched by a key meant for a shown one.
        if (hidden && row->isSelected()) row->setSelected(false);
        if (!hidden) shown.push_back(i + 1);
    }
    // Names alike are told apart by their numbers; a long list of them is
    // the label's tooltip, not a bar wider than the window.
    const QString numbers = QString::fromStdString(listText(shown));
    const QString result = shown.empty() ? QStringLiteral("не найдено") : QStringLiteral("выводы ") + numbers;
    found->setText(wanted.isEmpty()     ? QString()
                   : result.size() > 40 ? QStringLiteral("найдено: %1").arg(shown.size())
                                        : result);
    found->setToolTip(wanted.isEmpty() || shown.empty() ? QString() : numbers);
}

void FindBar::goToFirstMatch() {
    for (int i = 0; i < list_.topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_.topLevelItem(i);
        if (row->isHidden()) continue;
        list_.setCurrentItem(row);
        list_.setFocus(Qt::OtherFocusReason);
        return;
    }
}

}  // namespace kavtra
