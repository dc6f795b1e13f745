#include "ui/main/output_list.h"

#include <QKeyEvent>

namespace kavtra {

bool OutputList::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    return QTreeWidget::edit(index.siblingAtColumn(0), trigger, event);
}

void OutputList::keyPressEvent(QKeyEvent* event) {
    const bool switchKey = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                           event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!switchKey || !plain || state() == EditingState) return QTreeWidget::keyPressEvent(event);
    // A held key switches once: a relay must not chatter at the key repeat rate.
    if (!event->isAutoRepeat()) emit switchRequested();
    event->accept();
}

}  // namespace kavtra
