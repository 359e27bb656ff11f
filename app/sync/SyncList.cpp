#include "SyncList.h"

#include "SettingsKeys.h"
#include "base/Format.h"
#include "base/Translate.h"

namespace quillet {

QString remoteDisplay(const QString& stored, const QString& foundLetter) {
    if (foundLetter == QLatin1String("?") || foundLetter.isEmpty())
        return foundLetter + stored;
    // The root already ends with its separator; drop ":" and the stored separator.
    if (stored.startsWith(QLatin1String(":/")))
        return foundLetter + stored.mid(2);
    if (stored.startsWith(QLatin1Char(':')))
        return foundLetter + stored.mid(1);
    return foundLetter + stored;
}

QString remoteStoredFor(const QString& path, const QString& root) {
    if (root.isEmpty() || root == QLatin1String("?") || !path.startsWith(root))
        return QString();
    return QStringLiteral(":/") + path.mid(root.size());
}

void SyncList::RefreshFiles(const QString& serial, const QString& foundLetter, quint64 driveSize) {
    m_rows.clear();
    m_total = 0;
    for (int n = 1;; ++n) {
        const QString path = m_store.read(serial, keys::localFile(n), QString());
        if (path.isEmpty())
            break;
        const qint64 measured = m_probe.FileLength(path);
        const qint64 length = measured < 0 ? 0 : measured;
        const bool folder = m_probe.IsFolder(path);
        // Empty and vanished files are dropped; the next save forgets them.
        if (!folder && length < 1)
            continue;
        SyncItem item;
        item.localPath = path;
        item.isFolder = folder;
        item.length = folder ? 0 : length;
        item.sizeText = folder ? Translate(QStringLiteral("Folder")) : formatBytes(length);
        item.remoteStored = m_store.read(serial, keys::remoteFile(n), QString());
        item.remotePath = remoteDisplay(item.remoteStored, foundLetter);
        m_rows.append(item);
        m_total += item.length;
    }
    const QString bytes = QStringLiteral(" bytes");
    const QString blank = QStringLiteral(" ");
    m_filesSizeText = Translate(QStringLiteral("Total size of files to sync:")) + blank +
                      formatBytes(m_total) + bytes;
    m_sizeText = Translate(QStringLiteral("Disk Size:")) + blank +
                 formatBytes(static_cast<qint64>(driveSize)) + bytes;
    m_freeText = Translate(QStringLiteral("Disk Free Space:")) + blank +
                 formatBytes(static_cast<qint64>(driveSize) - m_total) + bytes;
}

void SyncList::SaveFiles(const QString& serial) {
    int n = 1;
    for (const SyncItem& item : m_rows) {
        m_store.write(serial, keys::localFile(n), item.localPath);
        m_store.write(serial, keys::remoteFile(n), item.remoteStored);
        ++n;
    }
    // The end mark: reading stops at the first empty local path.
    m_store.write(serial, keys::localFile(n), QString());
    m_store.write(serial, keys::remoteFile(n), QString());
    m_store.sync();
}

} // namespace quillet
