#include "ui/main/output_list.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

namespace kavtra {
namespace {

// An X server may send a held key's repeats as a release and a press at the
// same moment, neither marked as a repeat. No finger presses a key again this
// soon after letting it go.
constexpr std::chrono::milliseconds kRepeatGap{50};

bool isSwitchKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Space || event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

}  // namespace

bool OutputList::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !tip_) return QTreeWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid())
        QToolTip::showText(help->globalPos(), tip_(index.row() + 1), viewport(), visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

bool OutputList::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    return QTreeWidget::edit(index.siblingAtColumn(0), trigger, event);
}

void OutputList::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!isSwitchKey(*event) || !plain || state() == EditingState) return QTreeWidget::keyPressEvent(event);
    // A held key switches once: a relay must not chatter at the key repeat rate.
    if (!heldDown(*event)) emit switchRequested();
    event->accept();
}

bool OutputList::heldDown(const QKeyEvent& press) {
    const int key = press.key();
    const auto released = releasedAt_.find(key);
    const bool releasedJustNow = released != releasedAt_.end() &&
                                 std::chrono::steady_clock::now() - released->second < kRepeatGap;
    const bool held = press.isAutoRepeat() || down_.contains(key) || releasedJustNow;
    down_.insert(key);
    return held;
}

void OutputList::keyReleaseEvent(QKeyEvent* event) {
    if (isSwitchKey(*event)) {
        down_.erase(event->key());
        releasedAt_[event->key()] = std::chrono::steady_clock::now();
    }
    QTreeWidget::keyReleaseEvent(event);
}

void OutputList::focusOutEvent(QFocusEvent* event) {
    // A key let go while another widget has the focus tells that widget only.
    down_.clear();
    QTreeWidget::focusOutEvent(event);
}

}  // namespace kavtra
