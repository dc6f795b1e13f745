#include "ui/main/list_edit_delegate.h"

#include <QLineEdit>

namespace kavtra {

void ListEditDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
    if (auto* line = qobject_cast<QLineEdit*>(editor)) emit editEnded(line->text());
}

}  // namespace kavtra
