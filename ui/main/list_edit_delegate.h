#pragma once

#include <QStyledItemDelegate>

namespace kavtra {

// Reports the text of a finished in-place edit instead of storing it, so the
// window decides which row gets it (the selected one) and saves at once.
class ListEditDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    void editEnded(const QString& text) const;
};

}  // namespace kavtra
