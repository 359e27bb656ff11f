#include "RecordKeeper.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace quillet {

RecordKeeper::RecordKeeper(QString logFolder)
    : m_logFolder(std::move(logFolder)), m_folder(m_logFolder + QStringLiteral("/records")) {}

void RecordKeeper::pruneOthers(const QString& driveName) const {
    // Pairing another drive starts a new list; the old drive's records go with the old list.
    if (m_readOnly)
        return;
    QDir folder(m_folder);
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name != driveName)
            QDir(folder.filePath(name)).removeRecursively();
    }
}

void RecordKeeper::open(const QString& driveName, const SyncItem& item) {
    const QString key = item.localPath + QLatin1Char('\n') + item.remoteStored;
    m_record = std::make_unique<SyncRecord>(
        SyncRecord::fileFor(m_folder + QLatin1Char('/') + driveName, key), key);
    m_record->load();
}

void RecordKeeper::save() {
    // A record that cannot be written costs only what it would have told the next pass. It
    // lives in the log's folder, which is never made for it.
    if (m_record && !m_readOnly && QFileInfo(m_logFolder).isDir())
        (void)m_record->save();
}

void RecordKeeper::agree(std::string_view key, const RecordEntry& entry) {
    if (m_record)
        m_record->agree(key, entry);
}

Judgement RecordKeeper::judge(std::string_view key, const platform::FileStat& localSt,
                              const platform::FileStat& driveSt, StampOrder order,
                              std::int64_t timeStep) const {
    const std::optional<StampOrder> byTime =
        order == StampOrder::Equal ? std::nullopt : std::optional(order);
    const RecordEntry* entry = m_record ? m_record->find(key) : nullptr;
    if (!entry)
        return {byTime};
    const bool localChanged = entry->local.changedIn(localSt, timeStep);
    const bool driveChanged = entry->drive.changedIn(driveSt, timeStep);
    if (entry->declined && !localChanged && !driveChanged)
        return {byTime, false, true};
    // Both changed: the newer still wins under the name, the other is kept beside it. A kept
    // copy is a file like any other, never a conflict of its own.
    if (localChanged && driveChanged && !isConflictCopy(key))
        return {byTime ? byTime : StampOrder::FirstNewer, true};
    // Only one side changed, in a way the times cannot show: that side is the newer.
    if (!byTime && localChanged != driveChanged)
        return {localChanged ? StampOrder::FirstNewer : StampOrder::SecondNewer};
    return {byTime};
}

std::string_view RecordKeeper::keyOf(const Path& localPath, const Path& localRoot) {
    const std::string& root = localRoot.native();
    const std::string_view full = localPath.native();
    return full.compare(0, root.size(), root) == 0 ? full.substr(root.size()) : full;
}

std::optional<Path> keepAside(platform::FileSystem& fs, const Path& file, const QString& stamp,
                              const QString& side) {
    for (int attempt = 1; attempt < 100; ++attempt) {
        const Path aside = conflictCopyName(file, stamp, side, attempt);
        const platform::Status moved = fs.renameNoReplace(file.native(), aside.native());
        if (moved)
            return aside;
        if (moved.error().code != EEXIST)
            break;
    }
    return std::nullopt;
}

} // namespace quillet
