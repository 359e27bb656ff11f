#pragma once

#include <QStyledItemDelegate>

namespace quillet {

// Draws the list's cells as usual and gives a cell whose text is cut its whole text as
// tooltip, before the row's own tooltip (why it failed) when it has one.
class CellTips : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The tooltip of the cell at index, drawn with option; empty when it has none.
    QString tipFor(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

} // namespace quillet
