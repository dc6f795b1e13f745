#pragma once

#include <QTreeWidget>

namespace kavtra {

// The list of outputs. Only a row's name can be edited in place: an edit
// asked for anywhere on a row (a click on its state, F2 with the state
// column current) opens the name's editor.
class OutputList : public QTreeWidget {
    Q_OBJECT

public:
    using QTreeWidget::QTreeWidget;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
};

}  // namespace kavtra
