#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace kavtra {

// Finds outputs among the list's rows as one types: a row stays visible when
// its name contains the text (in any letter case) or its number starts with
// it. Rows are only hidden, never removed or moved, so row n stays output n;
// closing the bar shows every row again.
class FindBar : public QWidget {
    Q_OBJECT

public:
    FindBar(QTreeWidget& list, QWidget* parent = nullptr);

    QLineEdit* field;
    // The numbers of the outputs found, as ranges ("не найдено" when none).
    QLabel* found;

    // Shows the bar with the field focused and its text selected.
    void open();
    // Hides the bar, shows every row and gives the focus back to the list.
    void dismiss();

private:
    void filter(const QString& text);
    void goToFirstMatch();

    QTreeWidget& list_;
};

}  // namespace kavtra
