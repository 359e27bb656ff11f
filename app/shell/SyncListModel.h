#pragma once

#include "sync/SyncList.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>

namespace quillet {

// The sync list as the main window's report view shows it. It reads the rows where the
// session keeps them; whoever changes them tells the model.
class SyncListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The columns, with the keys they were created under: "files", "size", "bfiles", "status".
    enum Column { Files, Size, BFiles, Status, ColumnCount };

    explicit SyncListModel(const SyncList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QString columnKey(int column);

    // The rows were rebuilt or edited: bold rows and reasons are forgotten.
    void rowsReplaced();
    void setRowBold(int row, bool bold);
    bool rowBold(int row) const { return m_bold.contains(row); }
    void rowStatusChanged(int row);
    // Why a row failed; shown as the row's tooltip. Empty clears it.
    void setRowReason(int row, const QString& reason);
    QString rowReason(int row) const { return m_reasons.value(row); }

private:
    void rowChanged(int row);

    const SyncList& m_list;
    QStringList m_headings; // translated once, when the columns are made
    QSet<int> m_bold;
    QHash<int, QString> m_reasons;
};

} // namespace quillet
