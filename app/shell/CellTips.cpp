#include "CellTips.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

namespace quillet {

QString CellTips::tipFor(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget);
    // The style leaves a margin on each side of the text inside that room.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &cell, widget) + 1;
    const bool cut = !cell.text.isEmpty() &&
                     cell.fontMetrics.horizontalAdvance(cell.text) > room.width() - 2 * margin;
    const QString rowTip = index.data(Qt::ToolTipRole).toString();
    if (!cut)
        return rowTip;
    return rowTip.isEmpty() ? cell.text : cell.text + QLatin1Char('\n') + rowTip;
}

bool CellTips::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                         const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString tip = tipFor(option, index);
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    QToolTip::showText(event->globalPos(), tip, view, option.rect);
    return true;
}

} // namespace quillet
