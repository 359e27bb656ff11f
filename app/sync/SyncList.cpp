#include "SyncList.h"

#include "SettingsKeys.h"
#include "base/Format.h"
#include "base/Path.h"
#include "base/Translate.h"

#include <QDir>

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

namespace {
// Where an item sits on the drive, below the root and ending in a separator, so that one
// place lies inside another exactly when its key starts with the other's. Empty for an item
// with no place on the drive.
QString placeKey(const SyncItem& item, bool foldCase) {
    QString below = item.remoteStored;
    if (below.startsWith(QLatin1Char(':')))
        below.remove(0, 1);
    if (below.isEmpty())
        return QString();
    QString key = QDir::cleanPath(QLatin1Char('/') + below);
    if (!key.endsWith(QLatin1Char('/')))
        key += QLatin1Char('/');
    return foldCase ? key.toCaseFolded() : key;
}
} // namespace

std::optional<int> SyncList::rowSharingPlace(const SyncItem& item, int before) const {
    const QString key = placeKey(item, m_driveFoldsCase);
    if (key.isEmpty())
        return std::nullopt;
    // A file's key ends in a separator too: a file item clashes with a folder item whose
    // folder holds its copy, and with one whose folder would stand where the copy is.
    for (int row = 0; row < before && row < m_rows.size(); ++row) {
        const QString other = placeKey(m_rows.at(row), m_driveFoldsCase);
        if (!other.isEmpty() && (key.startsWith(other) || other.startsWith(key)))
            return row;
    }
    return std::nullopt;
}

std::optional<QString> SyncList::clashReason(int row) const {
    if (row < 0 || row >= m_rows.size())
        return std::nullopt;
    const std::optional<int> owner = rowSharingPlace(m_rows.at(row), row);
    if (!owner)
        return std::nullopt;
    const SyncItem& earlier = m_rows.at(*owner);
    return QStringLiteral("item %1 (%2) already keeps %3 on the drive in step")
        .arg(QString::number(*owner + 1), earlier.localPath, earlier.remotePath);
}

void SyncList::RefreshFiles(const QString& serial, const QString& foundLetter) {
    m_rows.clear();
    for (int number = 1;; ++number) {
        const QString path = m_store.read(serial, keys::localFile(number), QString());
        if (path.isEmpty())
            break;
        const std::optional<qint64> measured = m_probe.FileLength(path);
        const bool folder = m_probe.IsFolder(path);
        SyncItem item;
        item.localPath = path;
        item.remoteStored = m_store.read(serial, keys::remoteFile(number), QString());
        item.remotePath = remoteDisplay(item.remoteStored, foundLetter);
        // A folder item's place on the drive always ends in a separator: it stays a folder
        // item while its local folder is away or fails the folder test.
        item.isFolder = folder || (!measured && item.remoteStored.endsWith(QLatin1Char('/')));
        if (item.isFolder) {
            item.sizeText = Translate(QStringLiteral("Folder"));
            if (!folder) {
                const bool exists = m_probe.fileSystem().stat(Path::fromText(path).native()).exists;
                item.localProblem = exists ? QStringLiteral("the local folder is a link, hidden or "
                                                            "read-only")
                                           : QStringLiteral("the local folder was not found");
                item.status =
                    Translate(exists ? QStringLiteral("Local folder cannot be synchronized")
                                     : QStringLiteral("Local folder not found"));
            }
        } else if (!measured) {
            // Missing or unreadable for now: the pass restores it from the drive or says why.
            item.sizeText = Translate(QStringLiteral("Not found"));
            item.localProblem = QStringLiteral("the local file was not found");
            item.status = Translate(QStringLiteral("Local file not found"));
        } else {
            item.length = *measured; // an empty file is a file like any other
            item.sizeText = formatBytes(*measured);
        }
        m_rows.append(item);
    }
}

int SyncList::storedCount(const QString& serial) const {
    int count = 0;
    while (!m_store.read(serial, keys::localFile(count + 1), QString()).isEmpty())
        ++count;
    return count;
}

void SyncList::SaveFiles(const QString& serial) {
    int number = 1;
    for (const SyncItem& item : m_rows) {
        m_store.write(serial, keys::localFile(number), item.localPath);
        m_store.write(serial, keys::remoteFile(number), item.remoteStored);
        ++number;
    }
    // The end mark: reading stops at the first empty local path.
    m_store.write(serial, keys::localFile(number), QString());
    m_store.write(serial, keys::remoteFile(number), QString());
    m_store.sync();
}

} // namespace quillet
