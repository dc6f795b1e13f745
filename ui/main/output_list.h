#pragma once

#include <QTreeWidget>

#include <chrono>
#include <functional>
#include <map>
#include <set>

namespace kavtra {

// The list of outputs. Only a row's name can be edited in place: an edit
// asked for anywhere on a row (a click on its state, F2 with the state
// column current) opens the name's editor. Space and Enter ask for the
// selected row to be switched, as a double click does, once for as long as
// the key is held; while the name's editor is open they belong to the editor.
class OutputList : public QTreeWidget {
    Q_OBJECT

public:
    using QTreeWidget::QTreeWidget;

    // The tooltip of output n's row (row n - 1), asked for when it is
    // shown, so that it tells the counters as they are then.
    void tipsFrom(std::function<QString(int output)> tip) { tip_ = std::move(tip); }

signals:
    void switchRequested();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Whether a press of a switch key is that key still held down.
    bool heldDown(const QKeyEvent& press);

    std::function<QString(int)> tip_;
    std::set<int> down_;
    std::map<int, std::chrono::steady_clock::time_point> releasedAt_;
};

}  // namespace kavtra
