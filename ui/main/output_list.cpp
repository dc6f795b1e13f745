#include "ui/main/output_list.h"

namespace kavtra {

bool OutputList::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    return QTreeWidget::edit(index.siblingAtColumn(0), trigger, event);
}

}  // namespace kavtra
