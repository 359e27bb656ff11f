#pragma once

#include "FileProbe.h"
#include "platform/SettingsStore.h"

#include <QList>
#include <QString>

#include <optional>

namespace quillet {

// One row of the sync list.
struct SyncItem {
    QString localPath;    // the row's text: a local file, or a folder without trailing separator
    QString sizeText;     // grouped length, or "Folder"
    QString remotePath;   // where it lives on the drive, under the drive's current root
    QString remoteStored; // the same without the root, as the store keeps it (":/dir/name")
    QString status;
    bool isFolder = false;
    qint64 length = 0;
    // Why the local side cannot be synchronised as it stands (the file or folder is missing,
    // or the folder fails the folder test), in plain words; empty when it can. Such an item
    // stays in the list: a file on an unmounted share or a file being rewritten must not
    // lose its item.
    QString localProblem;
};

// Drive paths are stored without their root: ":" and the path below the root. The current
// root takes the place of ":" and the separator; while the drive is absent "?" stands first.
QString remoteDisplay(const QString& stored, const QString& foundLetter);
// The stored form of a path on the drive mounted at root; empty when it is not below root.
QString remoteStoredFor(const QString& path, const QString& root);

// The working list and its persisted form in the section named by the drive's serial.
class SyncList {
public:
    SyncList(platform::SettingsStore& store, const FileProbe& probe)
        : m_store(store), m_probe(probe) {}

    // Rebuild the rows from the store.
    void RefreshFiles(const QString& serial, const QString& foundLetter);
    // Write every row back, then the end mark.
    void SaveFiles(const QString& serial);
    // How many rows the store holds for the drive with this serial, without looking at them.
    int storedCount(const QString& serial) const;

    const QList<SyncItem>& rows() const { return m_rows; }
    QList<SyncItem>& rows() { return m_rows; }
    void clear() { m_rows.clear(); }
    void append(const SyncItem& item) { m_rows.append(item); }

    // Whether the drive ignores the case of names ("Report.txt" and "report.txt" are one
    // file there): places on the drive are then compared without case.
    void setDriveFoldsCase(bool folds) { m_driveFoldsCase = folds; }
    bool driveFoldsCase() const { return m_driveFoldsCase; }

    // The first row before `before` (rows count from 0) whose place on the drive is the same
    // as item's, lies inside it or holds it; none when item shares nothing on the drive.
    std::optional<int> rowSharingPlace(const SyncItem& item, int before) const;
    // Why row (from 0) must not be copied: an earlier row already keeps its place on the
    // drive in step, and copying both would write one over the other. Lists stored before
    // such adds were refused may hold them. None when the row has its place to itself.
    std::optional<QString> clashReason(int row) const;

private:
    platform::SettingsStore& m_store;
    const FileProbe& m_probe;
    QList<SyncItem> m_rows;
    bool m_driveFoldsCase = false;
};

} // namespace quillet
