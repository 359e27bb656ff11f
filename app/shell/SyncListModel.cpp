#include "SyncListModel.h"

#include "base/Translate.h"

#include <QFont>

namespace quillet {

SyncListModel::SyncListModel(const SyncList& list, QObject* parent)
    : QAbstractTableModel(parent),
      m_list(list), m_headings{Translate(QStringLiteral("Local File:")),
                               Translate(QStringLiteral("Size (bytes):")),
                               Translate(QStringLiteral("Removable Drive File:")),
                               Translate(QStringLiteral("Status:"))} {}

int SyncListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.rows().size());
}

int SyncListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString SyncListModel::columnKey(int column) {
    switch (column) {
    case Files:
        return QStringLiteral("files");
    case Size:
        return QStringLiteral("size");
    case BFiles:
        return QStringLiteral("bfiles");
    case Status:
        return QStringLiteral("status");
    default:
        return QString();
    }
}

QVariant SyncListModel::data(const QModelIndex& index, int role) const {
    // The rows may change under a view between a rebuild and its announcement.
    if (!index.isValid() || index.row() >= m_list.rows().size())
        return QVariant();
    const SyncItem& item = m_list.rows().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Files:
            return item.localPath;
        case Size:
            return item.sizeText;
        case BFiles:
            return item.remotePath;
        case Status:
            return item.status;
        default:
            return QVariant();
        }
    case Qt::TextAlignmentRole:
        if (index.column() == Size)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
        if (m_bold.contains(index.row())) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return QVariant();
    case Qt::ToolTipRole: {
        // A failure's reason, or else why the local side cannot be synchronised.
        const QString reason = m_reasons.value(index.row(), item.localProblem);
        return reason.isEmpty() ? QVariant() : QVariant(reason);
    }
    default:
        return QVariant();
    }
}

QVariant SyncListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((section == Size ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    if (role != Qt::DisplayRole || section < 0 || section >= m_headings.size())
        return QVariant();
    return m_headings.at(section);
}

void SyncListModel::rowsReplaced() {
    beginResetModel();
    m_bold.clear();
    m_reasons.clear();
    endResetModel();
}

void SyncListModel::rowChanged(int row) {
    if (row < 0 || row >= rowCount())
        return;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void SyncListModel::setRowBold(int row, bool bold) {
    if (bold)
        m_bold.insert(row);
    else
        m_bold.remove(row);
    rowChanged(row);
}

void SyncListModel::rowStatusChanged(int row) {
    rowChanged(row);
}

void SyncListModel::setRowReason(int row, const QString& reason) {
    if (reason.isEmpty())
        m_reasons.remove(row);
    else
        m_reasons.insert(row, reason);
    rowChanged(row);
}

} // namespace quillet
